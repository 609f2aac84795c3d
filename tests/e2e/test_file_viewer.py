"""The clipboard-file viewer: `Kelvarion.exe file.cbf` shows the file's formats
and puts the ticked ones back on the clipboard."""
import struct

from conftest import read_ini, wait_for, windows_path, write_ini_value

VIEWER_TITLE = " Kelvarion - 粘贴板文件"
COPY, OPEN, ABOUT = 1001, 1030, 1002
STM_GETICON = 0x0171
MARKER = "Kelvarion-marker-format"

# (name, identifier at capture, bytes) in file order.
RECORDS = [
    ("Kelvarion Test Format", 49300, bytes(range(256)) * 2 + b"end"),
    ("TEXT", 1, b"hello viewer\0"),
    ("Kelvarion PRIVATE Secret", 49301, b"secret bytes"),
    ("UNICODETEXT", 13, "hello viewer\0".encode("utf-16-le")),
]
MEMO = "第一行 memo\r\n第二行   with  blanks"


def write_cbf(path, records, memo):
    body = b""
    for name, ident, data in records:
        raw = name.encode("gbk")
        body += struct.pack("<I", len(raw)) + raw + struct.pack("<II", ident, len(data)) + data
    memo_bytes = memo.encode("gbk") + b"\0"
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(struct.pack("<II", 0x10000 + len(records), 8 + len(body)) + body +
                     struct.pack("<I", len(memo_bytes)) + memo_bytes)
    return path


def open_viewer(program, path):
    program.start(windows_path(path))
    viewer = program.wait_window(title=VIEWER_TITLE)
    lst = program.find_list(viewer)
    program.wait_rows(lst, len(RECORDS))
    return viewer, lst


def checks(program, lst):
    return [program.must("check-state", lst, row).strip() == "1" for row in range(len(RECORDS))]


def tick_only(program, lst, rows):
    for row in range(len(RECORDS)):
        program.must("set-check", lst, row, 1 if row in rows else 0)
    assert checks(program, lst) == [row in rows for row in range(len(RECORDS))]


def copy_and_wait(program, viewer, expected_names):
    program.command(viewer, COPY)
    wait_for(lambda: program.format_names() == sorted(expected_names), timeout=10,
             what=f"the clipboard to hold exactly {sorted(expected_names)}")


def test_viewer_shows_formats_sizes_and_memo_and_leaves_private_unticked(program):
    # A path with blanks and an upper-case ending.
    path = write_cbf(program.folder / "my clips" / "Saved State.CBF", RECORDS, MEMO)
    viewer, lst = open_viewer(program, path)
    program.screenshot("file-viewer")
    assert program.list_rows(lst, 0) == [name for name, _, _ in RECORDS]
    assert program.list_rows(lst, 1) == [str(len(data)) for _, _, data in RECORDS]
    assert checks(program, lst) == [True, True, False, True], "only the PRIVATE format must start unticked"
    memo = program.window_text(program.find_child(viewer, cls="Edit"))
    assert memo == MEMO
    icon = program.find_child(viewer, cls="Static")
    assert program.send(icon, STM_GETICON) != 0, "the format set's icon (or the program's) must be shown"
    # The PRIVATE default is written into the program settings file.
    assert read_ini(program.folder / "Kelvarion.ini")["NOCOPY"]["KELVARION PRIVATE SECRET"] == "1"
    program.post(viewer, 0x0010)  # WM_CLOSE
    assert program.wait_gone(viewer)


def test_copies_exactly_the_ticked_formats_without_marker_when_alone(program):
    path = write_cbf(program.folder / "state.cbf", RECORDS, MEMO)
    viewer, lst = open_viewer(program, path)
    tick_only(program, lst, {0})
    copy_and_wait(program, viewer, ["Kelvarion Test Format"])
    assert program.get_format("Kelvarion Test Format") == RECORDS[0][2]
    # A PRIVATE format goes along once the user ticks it.
    tick_only(program, lst, {0, 2})
    copy_and_wait(program, viewer, ["Kelvarion Test Format", "Kelvarion PRIVATE Secret"])
    assert program.get_format("Kelvarion PRIVATE Secret") == RECORDS[2][2]


def test_marker_goes_along_while_the_resident_program_runs(program):
    path = write_cbf(program.folder / "state.cbf", RECORDS, MEMO)
    program.start()
    program.sync(program.main_window())
    viewer, lst = open_viewer(program, path)
    tick_only(program, lst, {0})
    copy_and_wait(program, viewer, ["Kelvarion Test Format", MARKER])
    lines = program.get_format(MARKER).decode("gbk").split("\r\n")
    assert lines[0] == "Kelvarion-1"
    assert lines[1].lower().endswith("\\kelvarion.exe"), f"the icon file is the program: {lines[1]!r}"
    assert lines[2] == "1"
    assert lines[3] == "第一行 memo 第二行 with blanks\0", "the memo must be one line with single blanks"
    # The resident program still captures a text the viewer puts back.
    tick_only(program, lst, {1, 3})
    program.command(viewer, COPY)
    wait_for(lambda: "hello viewer" in program.history_rows(), timeout=15,
             what="the resident program to capture the text put back by the viewer")


def test_a_copy_that_fails_is_told(program):
    path = write_cbf(program.folder / "state.cbf", RECORDS, MEMO)
    viewer, lst = open_viewer(program, path)
    path.unlink()
    program.command(viewer, COPY)
    box = program.wait_window(title="未能把所选的格式放到粘贴板上")
    program.command(box, 1)
    assert program.wait_gone(box)


def test_about_button_opens_the_about_box(program):
    path = write_cbf(program.folder / "state.cbf", RECORDS, MEMO)
    # Nobody listens on port 9 of this machine: the box opens at once.
    write_ini_value(program.folder / "Kelvarion.ini", "Setup", "UpdateHost", "127.0.0.1:9")
    viewer, lst = open_viewer(program, path)
    program.command(viewer, ABOUT)
    box = program.wait_window(title="关于 Kelvarion")
    program.command(box, 1)
    assert program.wait_gone(box)


def test_nothing_ticked_is_told_and_leaves_the_clipboard_alone(program):
    path = write_cbf(program.folder / "state.cbf", RECORDS, MEMO)
    program.set_text("before the viewer")
    viewer, lst = open_viewer(program, path)
    tick_only(program, lst, set())
    before = program.sequence()
    program.command(viewer, COPY)
    box = program.wait_window(cls="#32770", text="请至少选择一种格式用于复制")
    assert program.sequence() == before, "the clipboard must not change"
    program.command(box, 1)
    assert program.wait_gone(box)
    assert program.get_text() == "before the viewer"


def test_open_with_another_extension_is_refused_and_keeps_the_content(program):
    path = write_cbf(program.folder / "state.cbf", RECORDS, MEMO)
    other = program.folder / "notes.txt"
    other.write_bytes(b"not a clipboard file")
    viewer, lst = open_viewer(program, path)
    program.command(viewer, OPEN)
    chooser = program.wait_window(cls="#32770", title="打开")
    program.foreground(chooser)
    program.send_keys("--text", windows_path(other), "enter")
    box = program.wait_window(title="不能解析的文件类型")
    assert program.find_child(box, cls="Static", text=windows_path(other)), "the box must show the path"
    program.screenshot("file-viewer-unknown-type")
    program.command(box, 1)
    assert program.wait_gone(box)
    assert program.list_rows(lst, 0) == [name for name, _, _ in RECORDS], "the previous content must stay"
    assert program.window_text(program.find_child(viewer, cls="Edit")) == MEMO

    # A clipboard file chosen the same way replaces the content.
    second = write_cbf(program.folder / "second.cbf", [("Kelvarion Test Format", 49300, b"xyz")], "second")
    program.command(viewer, OPEN)
    chooser = program.wait_window(cls="#32770", title="打开")
    program.foreground(chooser)
    program.send_keys("--text", windows_path(second), "enter")
    program.wait_rows(lst, 1)
    assert program.list_rows(lst, 1) == ["3"]
    assert program.window_text(program.find_child(viewer, cls="Edit")) == "second"
