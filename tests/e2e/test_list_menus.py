"""The history list's context menu on a clipboard-file row: a real right click
opens it, and its memo and icon entries open their dialogs."""
import struct

from conftest import wait_for, windows_path

MENU_CLASS = "#32768"
CF_UNICODETEXT = 13
EM_GETSEL = 0x00B0
LB_GETCOUNT = 0x018B
LB_GETCURSEL = 0x0188
CBF_NAME = "2099010112000000.cbf"


def clipboard_file(records, memo):
    """A clipboard file: the header word, the memo offset, (name, id, bytes)
    records and the memo with its zero byte, texts in code page 936."""
    body = b""
    for name, ident, data in records:
        raw = name.encode("gbk")
        body += struct.pack("<I", len(raw)) + raw + struct.pack("<II", ident, len(data)) + data
    text = memo.encode("gbk")
    return (struct.pack("<II", 0x10000 + len(records), 8 + len(body)) + body
            + struct.pack("<I", len(text) + 1) + text + b"\0")


def stored_memo(path):
    data = path.read_bytes()
    offset, = struct.unpack_from("<I", data, 4)
    length, = struct.unpack_from("<I", data, offset)
    return data[offset + 4:offset + 4 + length - 1].decode("gbk")


def centre(rect):
    left, top, right, bottom = rect
    return (left + right) // 2, (top + bottom) // 2


def open_row_menu(program, lst):
    left, top, right, bottom = program.item_rect(lst, 0)
    program.click(left + 40, (top + bottom) // 2, right=True)
    return program.wait_window(cls=MENU_CLASS, timeout=10)


def click_button(program, dialog, text):
    button = program.find_child(dialog, cls="Button", text=text, timeout=5)
    assert button, f"the dialog has no button {text!r}"
    program.click(*centre(program.rect(button)))
    assert program.wait_gone(dialog), f"the dialog stayed open after {text!r}"


def test_memo_and_icon_dialogs_from_the_context_menu(program):
    program.history_dir.mkdir(parents=True, exist_ok=True)
    cbf = program.history_dir / CBF_NAME
    cbf.write_bytes(clipboard_file([("UNICODETEXT", CF_UNICODETEXT, "正文".encode("utf-16-le") + b"\0\0"),
                                    ("Kelvarion Test Format", 0xC100, b"\x01\x02\x03")],
                                   "记事本 - 会议纪要"))
    program.start()
    frame = program.main_window()
    lst = program.history_list()
    program.wait_rows(lst, 1)
    assert program.history_rows() == ["记事本 - 会议纪要"], "the row shows the stored memo"
    wait_for(lambda: program.is_visible(frame), what="the main window to show")
    program.foreground(frame)

    menu = open_row_menu(program, lst)
    program.screenshot("list-context-menu")
    program.send_keys("up", "up", "enter")  # from the bottom: 更改此类型图标, then 修改说明
    assert program.wait_gone(menu), "the menu stayed open after the choice"

    memo = program.wait_window(title="请输入文件说明", timeout=10)
    edit = program.find_child(memo, cls="Edit", timeout=5)
    assert edit and program.window_text(edit) == "记事本 - 会议纪要", "the memo dialog offers the stored memo"
    program.screenshot("memo-dialog")
    # The edit takes the focus with its text selected, so typing replaces it;
    # Enter makes a new line in the memo rather than closing the dialog.
    program.send_keys("--text", "新的  说明", "enter", "--text", "第二行")
    wait_for(lambda: program.window_text(edit) == "新的  说明\r\n第二行", timeout=5, what="the typed memo")
    click_button(program, memo, "OK")
    wait_for(lambda: program.history_rows() == ["新的 说明 第二行"], timeout=5,
             what="the row to show the new memo with its line end and blanks folded")
    assert stored_memo(cbf) == "新的  说明\r\n第二行", "the file keeps the memo as typed"

    menu = open_row_menu(program, lst)
    program.send_keys("up", "enter")
    assert program.wait_gone(menu), "the menu stayed open after the choice"
    icons = program.wait_window(title="图标设定", timeout=10)
    tree = program.tree(icons)
    edits = {text: h for h, _, cls, text, _ in tree if cls == "Edit"}
    format_text = edits.get("此文件包含粘贴板数据类型:\r\n\r\nKelvarion Test Format, UNICODETEXT")
    assert format_text, f"the dialog names the set's formats: {list(edits)}"
    selection = program.send(format_text, EM_GETSEL)
    assert selection & 0xFFFF == selection >> 16, "the focus is on the icons, not in the selected format text"
    icon_list = next(h for h, _, cls, _, _ in tree if cls == "ListBox")
    # The set has no icon of its own yet: it shows the program's icon 1.
    assert program.send(icon_list, LB_GETCOUNT) > 1, "the program's icons are offered"
    assert program.send(icon_list, LB_GETCURSEL) == 1, "the set's present icon is selected"
    used = program.list_rows(program.find_list(icons))
    assert windows_path(program.exe).lower() in used, f"the used icon files list the program: {used}"
    program.screenshot("icon-dialog")
    click_button(program, icons, "取消")
    assert stored_memo(cbf) == "新的  说明\r\n第二行"
