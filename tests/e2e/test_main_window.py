"""The main window stays resident: one instance, no Alt+F4, minimise hides,
and a logoff keeps what the exit would have saved."""
from conftest import TRAY_ICON_ID, read_ini, wait_for, windows_path

WM_QUERYENDSESSION = 0x0011
WM_ENDSESSION = 0x0016
WM_SYSCOMMAND = 0x0112
SC_MINIMIZE = 0xF020
ENDSESSION_LOGOFF = 0x80000000
LVM_GETNEXTITEM = 0x100C
LVNI_SELECTED = 0x0002


def test_second_start_raises_the_first_and_ends(program):
    first = program.start()
    frame = program.main_window()
    program.post(frame, WM_SYSCOMMAND, SC_MINIMIZE)
    program.wait_visible(frame, visible=False)
    second = program.start()
    wait_for(lambda: second.poll() is not None, timeout=20, what="the second start to end")
    program.wait_visible(frame, visible=True)
    assert first.poll() is None, "the first instance keeps running"


def selected_row(program, lst):
    """The list's first selected row (-1 for none), None when the list is gone."""
    code, out = program.driver("send", lst, LVM_GETNEXTITEM, -1, LVNI_SELECTED)
    return int(out) if code == 0 else None


def start_with_the_top_row_selected(program):
    """Two rows, each file's text its own name, the window in front with the
    top row selected by Home; gives the frame and the list."""
    program.history_dir.mkdir(parents=True, exist_ok=True)
    for name in ("2099010112000000.spt", "2099010112000001.spt"):
        (program.history_dir / name).write_bytes(name.encode())
    program.start()
    frame = program.main_window()
    lst = program.history_list()
    program.wait_rows(lst, 2)
    wait_for(lambda: program.is_visible(frame), what="the main window to show")
    program.foreground(frame)
    program.send_keys("home")
    wait_for(lambda: selected_row(program, lst) == 0, timeout=10, what="Home to select the top row")
    return frame, lst


def test_alt_f4_leaves_the_window_open(program):
    frame, lst = start_with_the_top_row_selected(program)
    # Keys are handled in the order they came, and the close that Alt+F4 posts
    # is handled before the next key: once End, sent after it, has moved the
    # selection, Alt+F4 has had every effect it was going to have.
    program.send_keys("alt+f4", "end")
    # The selection may pass through none while it moves: wait for where End puts it.
    wait_for(lambda: selected_row(program, lst) == 1, timeout=10, what="End to be handled after Alt+F4")
    assert program.driver("is-visible", frame) == (0, "1"), "Alt+F4 closed or hid the main window"
    assert selected_row(program, lst) == 1, "End selects the last row"


def test_stored_position_is_clamped_to_the_screen(program):
    program.write_setting("MainX", "-50")
    program.write_setting("MainY", "30")
    program.start()
    frame = program.main_window()
    wait_for(lambda: program.is_visible(frame), what="the main window to show")
    left, top, _, _ = program.rect(frame)
    assert (left, top) == (0, 30)


def tray_tip(program):
    """Points at the notification icon (Wine's own tray window at the top left
    when there is no X tray) and reads the tip that shows."""
    program.must("cursor", 200, 400)
    wait_for(lambda: not program.driver("wait-window", "--class", "tooltips_class32", "--timeout", 0)[0] == 0,
             timeout=10, what="the old tip to go")
    program.must("cursor", 13, 32)
    program.must("cursor", 14, 33)
    tip = program.wait_window(cls="tooltips_class32", timeout=10)
    return program.window_text(tip)


def test_tray_tip_says_whether_the_clipboard_is_watched(program):
    program.start()
    frame = program.main_window()
    program.wait_visible(frame)
    program.post(frame, WM_SYSCOMMAND, SC_MINIMIZE)  # out of the way of the tray
    program.wait_visible(frame, visible=False)
    assert tray_tip(program) == "Kelvarion - 正在监听粘贴板"
    program.tray_notify(frame)  # a left click pauses
    wait_for(lambda: program.setting("ListenClipboard") == "N", what="listening to stop")
    assert tray_tip(program) == "Kelvarion - 暂停监听粘贴板"


def test_a_restarted_shell_gets_the_icon_as_it_is(program):
    """After a restart of the shell ("TaskbarCreated") the icon comes back
    telling the same story as before: a paused program stays paused there."""
    program.start()
    frame = program.main_window()
    program.wait_visible(frame)
    program.post(frame, WM_SYSCOMMAND, SC_MINIMIZE)
    program.wait_visible(frame, visible=False)
    program.tray_notify(frame)  # a left click pauses
    wait_for(lambda: program.setting("ListenClipboard") == "N", what="listening to stop")
    program.must("shell-restarted", frame, TRAY_ICON_ID)
    assert tray_tip(program) == "Kelvarion - 暂停监听粘贴板"


def test_a_logoff_saves_the_placement_and_the_format_list(program):
    """A logoff sends WM_QUERYENDSESSION and WM_ENDSESSION and then ends the
    process: no WM_CLOSE, no WM_DESTROY. The files must be written by then."""
    format_list = program.local_dir / "FormatList.ini"
    format_list.parent.mkdir(parents=True, exist_ok=True)
    icon_file = windows_path(program.exe).lower()
    # The format list is rewritten from the table: an icon file that is gone
    # leaves the file, one that is there stays.
    format_list.write_bytes(("[ICON]\r\nGone Format=c:\\no\\such\\icon.ico,2\r\n"
                             f"Kept Format={icon_file},5\r\n").encode("gbk"))
    proc = program.start()
    frame = program.main_window()
    program.wait_visible(frame)
    program.move(frame, 123, 77, 300, 260)
    wait_for(lambda: program.rect(frame) == (123, 77, 423, 337), what="the frame to move")

    assert program.send(frame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) == 1, "the frame must let the session end"
    program.send(frame, WM_ENDSESSION, 1, ENDSESSION_LOGOFF)
    # send returns once the frame has handled the message.
    setup = program.settings()["SETUP"]
    assert (setup["MAINX"], setup["MAINY"], setup["MAINWIDTH"], setup["MAINHEIGHT"]) == ("123", "77", "300", "260"), \
        "the placement was not saved when the session ended"
    icons = read_ini(format_list)["ICON"]
    assert "GONE FORMAT" not in icons, "the format list was not saved when the session ended"
    assert icons["KEPT FORMAT"] == f"{icon_file},5"
    assert icons["BITMAP,DIB,MAX"].endswith(",4"), "the built-in entries went missing"
    assert proc.poll() is None, "the session, not the program, ends the process"


def test_texts_copied_while_hidden_are_all_listed_when_the_window_comes_back(program):
    program.start()
    frame = program.main_window()
    program.wait_visible(frame)
    program.post(frame, WM_SYSCOMMAND, SC_MINIMIZE)
    program.wait_visible(frame, visible=False)
    texts = ["第一条", "second", "第三条"]
    for i, text in enumerate(texts, start=1):
        program.set_text(text)
        wait_for(lambda: len(program.history_files(".spt")) == i, what=f"history file {i}")
    assert not program.is_visible(frame)
    second = program.start()
    wait_for(lambda: second.poll() is not None, timeout=20, what="the second start to end")
    program.wait_visible(frame)
    program.sync(frame)
    assert program.history_rows() == texts[::-1], "every text, newest first"


def test_a_text_copied_while_the_window_is_open_goes_on_top_and_the_selected_row_stays_selected(program):
    _, lst = start_with_the_top_row_selected(program)
    for count, text in ((3, "新的一条"), (4, "and another")):
        program.set_text(text)
        wait_for(lambda: len(program.history_files(".spt")) == count, what=f"history file {count}")
        wait_for(lambda: len(program.history_rows()) == count, what=f"row {count}")
    assert program.history_rows() == ["and another", "新的一条", "2099010112000001.spt", "2099010112000000.spt"]
    assert selected_row(program, lst) == 2, "the selection moves down with its row"
