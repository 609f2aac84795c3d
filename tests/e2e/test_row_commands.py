"""Row commands act on the row they were opened for, and say when they fail.

Menus and dialogs run message loops of their own: a clipboard change that
arrives while one is open lands as a new row at the top and moves every other
row down. Whatever the user then chooses must still reach the row (the file)
that was clicked or shown."""
import os
import shutil
import stat

from conftest import MAIN_TITLE, WM_CLOSE, wait_for
from test_list_menus import clipboard_file, stored_memo
from test_paste_menu import MENU_CLASS, open_menu, preset_rows, start_with_rows

CF_UNICODETEXT = 13
ID_PASTE_ALL_FORMATS = 32790
VK_CONTROL = "0x11"
CBF_NAME = "2099010112000009.cbf"
MEMO_TITLE = "请输入文件说明"


def shown_window(program):
    frame = program.main_window()
    wait_for(lambda: program.is_visible(frame), what="the main window to show")
    program.foreground(frame)
    return frame


def row_point(program, lst, row):
    left, top, _, bottom = program.item_rect(lst, row)
    return left + 40, (top + bottom) // 2


def open_row_menu(program, lst, row):
    program.click(*row_point(program, lst, row), right=True)
    return program.wait_window(cls=MENU_CLASS, timeout=10)


def capture_meanwhile(program, lst, text, rows):
    """Another program sets the clipboard while a menu or dialog of Kelvarion is
    open; returns once the capture is in the list."""
    program.set_text(text)
    program.wait_rows(lst, rows)


def wait_message(program, timeout=15):
    """Kelvarion's message box (captioned with the main window's title) and its texts."""
    box = program.wait_window(title=MAIN_TITLE, cls="#32770", timeout=timeout)
    return box, [text for _, _, cls, text, _ in program.tree(box) if cls == "Static" and text]


def close_message(program, box):
    program.command(box, 1)  # IDOK
    assert program.wait_gone(box), "the message box stayed open"


def put_clipboard_file(program, name=CBF_NAME, memo="旧的说明"):
    program.history_dir.mkdir(parents=True, exist_ok=True)
    path = program.history_dir / name
    path.write_bytes(clipboard_file([("UNICODETEXT", CF_UNICODETEXT, "正文".encode("utf-16-le") + b"\0\0"),
                                     ("Kelvarion Test Format", 0xC100, b"\x01\x02\x03")], memo))
    return path


def new_files(program, before):
    return [name for name in program.history_files() if name not in before]


def test_delete_from_the_context_menu_takes_the_clicked_row_though_a_capture_landed(program):
    start_with_rows(program, 3)
    before = program.history_files()
    shown_window(program)
    lst = program.history_list()
    clicked = program.history_rows(column=1)[1]
    menu = open_row_menu(program, lst, 1)
    capture_meanwhile(program, lst, "菜单打开时的新内容", 4)
    program.send_keys("d")  # 删除(&D)
    assert program.wait_gone(menu), "the menu stayed open after the choice"
    wait_for(lambda: not (program.history_dir / clicked).exists(), what=f"the clicked row's file {clicked} to go")
    captured = new_files(program, before)
    assert len(captured) == 1 and program.history_text(captured[0]) == "菜单打开时的新内容", \
        f"the new capture must be untouched: {program.history_files()}"
    assert sorted(set(before) - {clicked}) == sorted(set(program.history_files()) - set(captured)), \
        "no other row's file may go"
    wait_for(lambda: program.history_rows() == ["菜单打开时的新内容", "条目 0", "条目 2"], timeout=5,
             what="the clicked row to leave the list")


def test_copy_from_the_context_menu_restores_the_clicked_row_not_the_first_selected(program):
    start_with_rows(program, 3)
    shown_window(program)
    lst = program.history_list()
    program.click(*row_point(program, lst, 0))
    program.send_keys("--vk", VK_CONTROL, "down")
    program.click(*row_point(program, lst, 2))
    program.send_keys("--vk", VK_CONTROL, "up")
    program.clear()
    # A right click on a row of the selection keeps the selection as it is.
    menu = open_row_menu(program, lst, 2)
    program.send_keys("c")  # 复制(&C)
    assert program.wait_gone(menu), "the menu stayed open after the choice"
    program.wait_clipboard_text("条目 2")


def test_a_memo_goes_to_its_own_row_though_a_capture_landed_while_the_dialog_was_open(program):
    cbf = put_clipboard_file(program)
    preset_rows(program, 1)
    program.start()
    lst = program.history_list()
    program.wait_rows(lst, 2)
    shown_window(program)
    assert program.history_rows(column=1)[0] == CBF_NAME
    menu = open_row_menu(program, lst, 0)
    program.send_keys("up", "up", "enter")  # 修改说明
    assert program.wait_gone(menu), "the menu stayed open after the choice"
    dialog = program.wait_window(title=MEMO_TITLE, timeout=10)
    capture_meanwhile(program, lst, "对话框打开时的新内容", 3)
    edit = program.find_child(dialog, cls="Edit", timeout=5)
    program.send_keys("--text", "新的说明")
    wait_for(lambda: program.window_text(edit) == "新的说明", timeout=5, what="the typed memo")
    program.command(dialog, 1)
    assert program.wait_gone(dialog)
    # The memo is written once the dialog is gone, and its row shows it after
    # the write: that is the barrier for reading the file.
    wait_for(lambda: dict(zip(program.history_rows(column=1), program.history_rows())).get(CBF_NAME) == "新的说明",
             timeout=5, what="the clipboard file's row to show the new memo")
    assert stored_memo(cbf) == "新的说明"
    rows = dict(zip(program.history_rows(column=1), program.history_rows()))
    assert rows[CBF_NAME] == "新的说明", f"the memo shows on the clipboard file's row: {rows}"
    assert program.history_rows()[0] == "对话框打开时的新内容", "the new capture keeps its own text"


def notepad_titles(program):
    """{handle: title} of the visible notepad windows."""
    rows = (line.split("\t") for line in program.must("list").splitlines())
    return {r[0]: r[2] for r in rows if r[1] == "Notepad"}


def test_the_paste_menu_restores_and_opens_the_chosen_item_though_a_capture_landed(program):
    start_with_rows(program, 3)
    lst = program.history_list()

    menu = open_menu(program)
    capture_meanwhile(program, lst, "粘贴菜单打开时的新内容", 4)
    program.send_keys("2")  # [&2]: 条目 1 when the menu opened
    assert program.wait_gone(menu), "the menu stayed open after the choice"
    program.wait_clipboard_text("条目 1")

    # The rows are now the new capture, 条目 0, 条目 1, 条目 2; the editor
    # (notepad, by default) shows the name of the file it opened.
    before = notepad_titles(program)
    menu = open_menu(program)
    capture_meanwhile(program, lst, "又一次新内容", 5)
    program.send_keys("e", "3")  # the editor sub-menu's [&3]: 条目 1
    assert program.wait_gone(menu), "the menu stayed open after the choice"
    opened = wait_for(lambda: {h: t for h, t in notepad_titles(program).items() if h not in before}, timeout=20,
                      what="the editor to open")
    for hwnd in opened:
        program.post(hwnd, WM_CLOSE)
    assert len(opened) == 1 and "2099010112000001.spt" in next(iter(opened.values())), \
        f"the editor opens 条目 1's file, not: {opened}"


def test_an_unreadable_clipboard_file_leaves_the_paste_menu_and_the_list(program):
    # Hidden at the start, the list draws nothing: the paste menu is the first
    # to look at the rows.
    program.write_setting("AutoHide", "Y")
    preset_rows(program, 2)
    broken = program.history_dir / "2099010112000009.cbf"
    broken.write_bytes(b"not a clipboard file")
    program.start()
    lst = program.history_list()
    program.wait_rows(lst, 2, at_least=True)
    menu = open_menu(program)
    program.screenshot("paste-menu-without-unreadable-file")
    program.send_keys("1")  # the newest readable row
    assert program.wait_gone(menu), "the menu stayed open after the choice"
    program.wait_clipboard_text("条目 0")
    program.wait_rows(lst, 2)
    assert program.history_rows() == ["条目 0", "条目 1"]
    assert broken.exists(), "the file itself is left alone"


def test_a_memo_of_two_lines_is_one_entry_of_the_paste_menu(program):
    put_clipboard_file(program, memo="x\r\n9")
    preset_rows(program, 2)
    program.start()
    lst = program.history_list()
    program.wait_rows(lst, 3)
    assert program.history_rows()[0] == "x 9", "the row shows the memo on one line"
    program.clear()
    menu = open_menu(program)
    program.screenshot("paste-menu-memo-of-two-lines")
    program.send_keys("1")  # an item, not a sub-menu
    assert program.wait_gone(menu), "the menu stayed open: [&1] opened a sub-menu"
    wait_for(lambda: "Kelvarion Test Format" in program.format_names(), what="the clipboard file restored")
    marker = program.get_format("Kelvarion-marker-format").rstrip(b"\0")
    assert marker.endswith(b"\r\nx\r\n9"), f"the marker carries the memo as stored: {marker!r}"


def test_a_file_that_cannot_be_deleted_keeps_its_row_and_the_user_is_told(program):
    start_with_rows(program, 2)
    shown_window(program)
    lst = program.history_list()
    name = program.history_rows(column=1)[0]
    path = program.history_dir / name
    os.chmod(path, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)  # read-only: it cannot be deleted
    try:
        menu = open_row_menu(program, lst, 0)
        program.send_keys("d")
        assert program.wait_gone(menu)
        box, texts = wait_message(program)
        program.screenshot("delete-failed")
        assert any(t.startswith("无法删除这条记录的文件，记录已保留：") and name in t for t in texts), texts
        close_message(program, box)
        assert path.exists()
        assert program.history_rows() == ["条目 0", "条目 1"], "the row stays while its file does"
    finally:
        os.chmod(path, stat.S_IRUSR | stat.S_IWUSR)


def test_a_memo_that_cannot_be_saved_is_reported(program):
    cbf = put_clipboard_file(program)
    program.start()
    lst = program.history_list()
    program.wait_rows(lst, 1)
    shown_window(program)
    menu = open_row_menu(program, lst, 0)
    program.send_keys("up", "up", "enter")
    assert program.wait_gone(menu)
    dialog = program.wait_window(title=MEMO_TITLE, timeout=10)
    cbf.unlink()  # gone behind the dialog's back
    program.send_keys("--text", "不会保存的说明")
    program.command(dialog, 1)
    assert program.wait_gone(dialog)
    box, texts = wait_message(program)
    assert any(t.startswith("说明未能保存：") and CBF_NAME in t for t in texts), texts
    close_message(program, box)
    assert program.history_rows() == ["旧的说明"], "the row keeps the memo that is stored"


def test_saving_all_formats_that_cannot_be_written_is_reported(program):
    program.start()
    frame = program.main_window()
    lst = program.history_list()
    program.wait_rows(lst, 0)
    wait_for(lambda: program.history_dir.is_dir(), what="the history folder")
    # A file where the history folder was: nothing can be written there.
    shutil.rmtree(program.history_dir)
    program.history_dir.write_bytes(b"")
    program.set_formats({"Kelvarion Test Format": b"\x01\x02\x03"})
    program.command(frame, ID_PASTE_ALL_FORMATS)
    box, texts = wait_message(program)
    program.screenshot("save-all-formats-failed")
    assert any(t.startswith("粘贴板内容未能保存：") for t in texts), texts
    close_message(program, box)
    assert program.history_rows() == [], "no row points at a file that is not there"
