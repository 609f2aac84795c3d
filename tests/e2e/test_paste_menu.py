"""The paste menu: the hot key opens it at the cursor over the window the user
works in; choosing an old item puts it back on the clipboard and pastes it."""
import shutil
import subprocess
import time

from conftest import TOP, WIN64, read_ini, wait_for, write_ini_value

MENU_CLASS = "#32768"
CF_DIB = 8
ID_PASTE_ALL_FORMATS = 32790


def preset_rows(program, count):
    """count ".spt" history files; row i (0 newest) holds "条目 i"."""
    program.history_dir.mkdir(parents=True, exist_ok=True)
    for i in range(count):
        name = f"20990101120000{count - 1 - i:02d}.spt"
        (program.history_dir / name).write_bytes(f"条目 {i}".encode("gbk"))


def start_with_rows(program, count):
    preset_rows(program, count)
    program.start()
    program.wait_rows(program.history_list(), count)


def open_menu(program):
    """Presses the hot key as real key input and waits for the menu on screen."""
    program.send_keys("ctrl+f1")
    return program.wait_window(cls=MENU_CLASS, timeout=10)


def choose(program, *keys):
    menu = open_menu(program)
    program.send_keys(*keys)
    assert program.wait_gone(menu), "the menu stayed open after the choice"


def test_recent_entries_run_from_the_oldest_down_to_the_newest(program):
    behind = program.viewer(timeout=600)  # behind Kelvarion in the chain
    start_with_rows(program, 12)
    program.must("cursor", 300, 200)
    menu = open_menu(program)
    left, top, _, _ = program.rect(menu)
    assert abs(left - 300) <= 2 and abs(top - 200) <= 2, f"the menu opens at the cursor, not at {left}, {top}"
    program.screenshot("paste-menu")
    program.send_keys("esc")
    program.wait_gone(menu)

    cases = [
        (("1",), 0),               # [&1] is the newest row
        (("9",), 8),
        (("0",), 9),
        (("down", "enter"), 11),   # the top entry is the oldest listed row: [&A12]
        (("down", "down", "enter"), 10),
    ]
    for keys, row in cases:
        program.clear()
        choose(program, *keys)
        program.wait_clipboard_text(f"条目 {row}")
        behind.wait_change(f"条目 {row}")  # Kelvarion has handled its own change
    assert len(program.history_rows()) == 12, "restoring a text makes no new row"
    behind.close()


def test_a_chosen_text_is_pasted_into_the_window_in_front(program, tmp_path):
    program.write_setting("AutoPaste", "1")
    behind = program.viewer(timeout=600)
    start_with_rows(program, 3)
    notepad = subprocess.Popen(["wine", "notepad"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    program.processes.append(notepad)
    window = program.wait_window(cls="Notepad")
    edit = program.find_child(window, cls="Edit", timeout=10)
    program.foreground(window)
    choose(program, "2")
    wait_for(lambda: program.window_text(edit) == "条目 1", timeout=10, what="the text pasted into notepad")
    assert program.get_foreground() == window, "notepad is in front again"
    program.screenshot("paste-into-notepad")
    behind.wait_change("条目 1")
    assert len(program.history_rows()) == 3, "the restored text makes no new row"
    behind.close()


def test_clipboard_files_come_back_without_private_formats_and_keep_their_marker(program):
    behind = program.viewer(timeout=600)
    program.start()
    frame = program.main_window()
    program.set_formats({"UNICODETEXT": "多格式".encode("utf-16-le") + b"\0\0",
                         "Kelvarion Test Format": b"\x01\x02\x03",
                         "Some Private Format": b"secret"})
    program.wait_rows(program.history_list(), 1)
    program.command(frame, ID_PASTE_ALL_FORMATS)
    program.wait_rows(program.history_list(), 2)
    memo = program.history_rows()[0]
    icon = (program.history_rows(column=2)[0], program.history_rows(column=3)[0])

    program.clear()
    seen = len(behind.changes())
    choose(program, "1")
    wait_for(lambda: "Kelvarion Test Format" in program.format_names(), what="the clipboard file restored")
    behind.wait_change("多格式", after=seen)  # Kelvarion has handled its own change
    names = program.format_names()
    assert "Some Private Format" not in names, names
    assert program.get_format("Kelvarion Test Format") == b"\x01\x02\x03"
    marker = program.get_format("Kelvarion-marker-format")
    assert marker and marker.startswith(b"Kelvarion-1\r\n"), marker
    expected = "\r\n".join(["Kelvarion-1", icon[0], icon[1], memo]).encode("gbk")
    assert marker.rstrip(b"\0") == expected, "the marker carries the row's icon and memo"
    no_copy = read_ini(program.folder / "Kelvarion.ini").get("NOCOPY", {})
    assert no_copy.get("SOME PRIVATE FORMAT") == "1", no_copy
    assert len(program.history_rows()) == 2, "the program's own change is not captured"

    # Saved again, the clipboard keeps the row's memo through the marker.
    program.command(frame, ID_PASTE_ALL_FORMATS)
    program.wait_rows(program.history_list(), 3)
    assert program.history_rows()[0] == memo
    assert (program.history_rows(column=2)[0], program.history_rows(column=3)[0]) == icon
    behind.close()


def test_what_is_put_back_belongs_to_the_program(program):
    """Windows refuses data on a clipboard emptied by a program that opened it
    without a window of its own; Wine lets it through, so the clipboard's owner
    shows whether a restore opened it for the program's window."""
    preset_rows(program, 1)
    program.start()
    lst = program.history_list()
    program.wait_rows(lst, 1)
    program.set_formats({"Kelvarion Test Format": b"\x01\x02\x03"})
    program.command(program.main_window(), ID_PASTE_ALL_FORMATS)
    program.wait_rows(lst, 2)
    cases = [("1", "the clipboard file", lambda: program.get_format("Kelvarion Test Format") == b"\x01\x02\x03"),
             ("2", "the text", lambda: program.get_text() == "条目 0")]
    for key, what, restored in cases:
        program.clear()
        assert program.clipboard_owner() != lst, "the clipboard is the list's before the restore"
        choose(program, key)
        wait_for(restored, what=f"{what} put back")
        assert program.clipboard_owner() == lst, f"{what} was put back without the list's window as its owner"


def test_pictures_come_back_as_bitmaps_without_leftovers(program):
    program.history_dir.mkdir(parents=True, exist_ok=True)
    images = TOP / "tests" / "data" / "images"
    shutil.copy(images / "interlaced.gif", program.history_dir / "2099010112000000.gif")
    shutil.copy(images / "cjpeg.jpg", program.history_dir / "2099010112000001.jpg")
    program.start()
    program.wait_rows(program.history_list(), 2)
    for keys in (("1",), ("2",)):  # the JPEG (newest), then the GIF
        program.clear()
        choose(program, *keys)
        wait_for(lambda: program.get_format(CF_DIB), what="a bitmap on the clipboard")
        program.sync(program.main_window())  # the restore has run to its end, clean-up included
    assert sorted(p.name for p in program.history_dir.iterdir()) == \
        ["2099010112000000.gif", "2099010112000001.jpg"], "a temporary bitmap was left behind"


def test_menu_files_and_labels_come_from_the_settings(program):
    start_with_rows(program, 2)
    local = program.local_dir
    for name in ("command.ini", "connect.ini"):
        (local / name).unlink(missing_ok=True)
    menu = open_menu(program)
    program.send_keys("r")  # the run menu opens
    time.sleep(0.5)  # for the picture only: let the sub-menu draw
    program.screenshot("paste-menu-run")
    program.send_keys("esc", "esc")
    program.wait_gone(menu)
    commands = read_ini(local / "command.ini")
    assert list(commands) == ["范例-&N记事本", "-", "范例-&C配置命令菜单", "范例-&C配置打开文件夹菜单"]
    assert commands["范例-&N记事本"]["命令"] == "notepad.exe"
    assert list(read_ini(local / "connect.ini")) == ["范例-打开&C盘", "-", "范例-打开网络上的目录"]
    assert read_ini(program.settings_path)["MENUTEXT"]["退出(&Q)"] == "退出(&Q)", "labels are written for relabelling"

    menu = open_menu(program)
    program.send_keys("i")
    time.sleep(0.5)
    program.screenshot("paste-menu-builtin")
    program.send_keys("esc", "esc")
    program.wait_gone(menu)

    # Without the three sub-menus the last two entries are the separator and
    # the built-in commands: going up from the bottom skips one separator and
    # lands on the newest row.
    for key in ("EditListMenu", "RunListMenu", "OpenDirListMenu"):
        write_ini_value(program.settings_path, "setup", key, "N")
    program.clear()
    choose(program, "up", "up", "enter")
    program.wait_clipboard_text("条目 0")

    # A relabelled exit still exits.
    write_ini_value(program.settings_path, "MenuText", "退出(&Q)", "离开(&X)")
    frame = program.main_window()
    choose(program, "i", "x")
    assert program.wait_gone(frame), "the relabelled entry did not end the program"
