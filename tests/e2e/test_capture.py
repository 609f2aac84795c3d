"""Every copied text becomes a history file and a row at the top of the list."""
import re
import time

from conftest import wait_for

ID_TOGGLE_LISTEN = 32794
ID_TOGGLE_LISTEN_FILE_NAMES = 32803
ID_PASTE_ALL_FORMATS = 32790
WM_LBUTTONDOWN = 0x0201


def copy_and_wait(program, text, rows):
    program.set_text(text)
    program.wait_rows(program.history_list(), rows)


def test_texts_are_captured_newest_first_without_repeats(program):
    program.start()
    program.main_window()
    copy_and_wait(program, "A", 1)
    copy_and_wait(program, "B", 2)
    copy_and_wait(program, "A", 3)
    chinese = "粘贴板历史 第二行\r\n說乗\\]"
    copy_and_wait(program, chinese, 4)
    program.set_text(chinese)  # the same text again makes no row
    program.set_text("C")
    program.wait_rows(program.history_list(), 5)
    rows = program.history_rows()
    assert rows == ["C", "粘贴板历史 第二行 說乗\\]", "A", "B", "A"], rows
    files = program.history_files(".spt")
    assert len(files) == 5
    assert (program.history_dir / files[3]).read_bytes() == chinese.encode("gbk"), \
        "the history file holds the text as code page 936 bytes"
    program.screenshot("main-window-rows")


def test_private_content_is_not_recorded(program):
    with program.viewer() as behind:
        program.start()
        program.main_window()
        program.set_formats({"UNICODETEXT": "秘密 password".encode("utf-16-le") + b"\0\0",
                             "ExcludeClipboardContentFromMonitorProcessing": b"\0"})
        behind.wait_change("秘密 password")  # Kelvarion has had its turn with the private content
        assert program.history_rows() == [] and program.history_files() == [], "the marked content must not be saved"
        program.set_text("public")
        program.wait_rows(program.history_list(), 1)
        assert program.history_rows() == ["public"]
        assert len(program.history_files()) == 1


def test_listening_off_captures_nothing(program):
    with program.viewer() as behind:
        program.start()
        frame = program.main_window()
        program.tray_notify(frame, WM_LBUTTONDOWN)
        wait_for(lambda: program.setting("ListenClipboard") == "N", what="ListenClipboard to become N")
        for text in ("not saved", "still not saved"):
            program.set_text(text)
            behind.wait_change(text)  # the change has gone round the chain Kelvarion was in
    assert program.history_rows() == [] and program.history_files() == [], "nothing is captured while paused"
    # Joining the chain again captures what is on the clipboard then.
    program.clear()
    program.command(frame, ID_TOGGLE_LISTEN)
    wait_for(lambda: program.setting("ListenClipboard") == "Y", what="ListenClipboard to become Y")
    program.set_text("saved")
    program.wait_rows(program.history_list(), 1)
    assert program.history_rows() == ["saved"]


def test_all_formats_make_a_clipboard_file_and_plain_text_a_text_file(program):
    program.start()
    frame = program.main_window()
    program.set_formats({"UNICODETEXT": "带格式".encode("utf-16-le") + b"\0\0",
                         "Kelvarion Test Format": b"\x01\x02\x03"})
    program.wait_rows(program.history_list(), 1)
    program.command(frame, ID_PASTE_ALL_FORMATS)
    wait_for(lambda: program.history_files(".cbf"), what="a .cbf history file")
    program.wait_rows(program.history_list(), 2)
    data = (program.history_dir / program.history_files(".cbf")[0]).read_bytes()
    assert data[2:4] == b"\x01\x00", "a clipboard file carries the format mark"
    assert b"Kelvarion Test Format" in data and b"UNICODETEXT" in data


def test_file_names_are_captured_when_asked(program, tmp_path):
    program.start()
    frame = program.main_window()
    program.command(frame, ID_TOGGLE_LISTEN_FILE_NAMES)
    wait_for(lambda: program.setting("ListenClipboard_FileName") == "Y", what="listen to file names")
    program.set_files("C:\\windows\\win.ini", "C:\\windows\\system.ini")
    program.wait_rows(program.history_list(), 1)
    name = program.history_files(".spt")[0]
    assert program.history_text(name).lower() == "c:\\windows\\win.ini\r\nc:\\windows\\system.ini"


def test_restart_lists_rows_newest_first_and_hides_old_ones(program):
    program.history_dir.mkdir(parents=True, exist_ok=True)
    (program.history_dir / "2000010112000000.spt").write_bytes(b"old")
    (program.history_dir / "2099010112000000.spt").write_bytes(b"newer")
    (program.history_dir / "2099010112000001.spt").write_bytes(b"newest")
    (program.history_dir / "20990101120000001.spt").write_bytes(b"21 characters")
    finish_watch = program.watch_processes("Kelvarion.exe", 12)
    started = time.time()
    program.start()
    program.wait_rows(program.history_list(), 2)
    assert program.history_rows() == ["newest", "newer"]
    program.sync(program.main_window())  # the start-up, the archive's start with it, is over
    seen = finish_watch()
    pids = {pid for pid, _, _ in seen}
    children = [(pid, command) for pid, parent, command in seen if parent in pids]
    assert len(children) == 1, f"the old file must start exactly one archive process, saw {seen}"
    match = re.search(r'"[^"]*Kelvarion\.exe" /C(\d{12})$', children[0][1], re.IGNORECASE)
    assert match, f"the archive is started as the program with /C and a 12-digit cut-off: {children[0][1]!r}"
    # The cut-off is one day (AutoLoadDays) before the start, to the minute.
    allowed = {time.strftime("%Y%m%d%H%M", time.localtime(started - 86400 + delta)) for delta in (-60, 0, 60, 120)}
    assert match.group(1) in allowed, f"cut-off {match.group(1)} is not a day before the start {allowed}"
    program.set_text("newest")  # the newest text counts as the last one
    program.set_text("fresh")
    program.wait_rows(program.history_list(), 3)
    assert program.history_rows()[0] == "fresh"


def test_no_archive_process_without_old_history(program):
    program.history_dir.mkdir(parents=True, exist_ok=True)
    (program.history_dir / "2099010112000000.spt").write_bytes(b"new")
    (program.history_dir / "2000010112000000.SPT").write_bytes(b"no history file: upper-case ending")
    finish_watch = program.watch_processes("Kelvarion.exe", 10)
    program.start()
    program.wait_rows(program.history_list(), 1)
    program.sync(program.main_window())  # the start-up is over: an archive would have been started
    seen = finish_watch()
    assert len(seen) == 1, f"only the resident program runs when no history is old: {seen}"
