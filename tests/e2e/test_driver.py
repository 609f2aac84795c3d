"""The driver's own tools, checked against stand-ins: the clipboard as other
programs see it, a list view fixture of ours, our own clipboard viewers."""
import subprocess
import time

import pytest

from conftest import WIN64, WM_APP, WM_LBUTTONDOWN, wait_for, windows_path

TEXTS = [
    pytest.param("粘贴板 中文", id="chinese"),
    pytest.param('第一行\r\n第二行\t"引号" \\反斜杠\\ -x 說乗', id="lines-tabs-quotes"),
    pytest.param("中" * 20000 + "end", id="long"),
]


@pytest.mark.parametrize("text", TEXTS)
def test_set_text_then_get_text_round_trips(kdriver, text):
    kdriver.set_text(text)
    assert kdriver.get_text() == text, "the text read back differs from the text set"
    names = kdriver.format_names()
    assert "UNICODETEXT" in names, f"set-text did not offer CF_UNICODETEXT: {names}"
    # Wine synthesises the other text formats, as Windows does.
    assert {"TEXT", "OEMTEXT", "LOCALE"} <= set(names), f"synthesised text formats missing: {names}"


def test_clear_leaves_no_format_and_no_text(kdriver):
    kdriver.set_text("清空之前")
    kdriver.clear()
    assert kdriver.formats() == [], "clear left formats on the clipboard"
    assert kdriver.get_text() is None, "get-text must fail on a clipboard without text"


def test_set_formats_builds_a_multi_format_clipboard(kdriver):
    large = bytes(range(256)) * 20
    formats = {
        "Kelvarion driver test format": b"\x01\x02\xff\x00",
        "CanIncludeInClipboardHistory": b"\x00\x00\x00\x00",
        "ExcludeClipboardContentFromMonitorProcessing": b"\x00",
        "Kelvarion driver large": large,  # goes through a file: too long for a command line
        13: "多格式\0".encode("utf-16-le"),
    }
    kdriver.set_formats(formats)
    names = kdriver.format_names()
    for name in ("Kelvarion driver test format", "CanIncludeInClipboardHistory",
                 "ExcludeClipboardContentFromMonitorProcessing", "Kelvarion driver large", "UNICODETEXT"):
        assert name in names, f"{name} is not listed by formats: {names}"
    for name, data in formats.items():
        assert kdriver.get_format(name) == data, f"the bytes of {name} differ"
    assert kdriver.get_text() == "多格式", "CF_UNICODETEXT given as a number was not set"

    # A GDI handle format cannot be given as bytes: usage error, clipboard untouched.
    code, _, _ = kdriver.run_driver("set-formats", "2=00")
    assert code == 2, "CF_BITMAP as bytes must be refused as bad usage"
    assert kdriver.get_text() == "多格式", "a refused set-formats changed the clipboard"


def test_set_files_offers_wide_hdrop(kdriver):
    paths = ["C:\\windows\\win.ini", "C:\\中文目录\\说明 文件.txt"]
    kdriver.set_files(*paths)
    assert "HDROP" in kdriver.format_names(), "HDROP is not on the clipboard"
    data = kdriver.get_format(15)
    offset = int.from_bytes(data[0:4], "little")
    wide = int.from_bytes(data[16:20], "little")
    assert offset == 20 and wide == 1, f"DROPFILES header wrong: offset {offset}, wide {wide}"
    names = data[offset:].decode("utf-16-le").split("\0")
    assert names[:len(paths)] == paths and names[len(paths):len(paths) + 2] == ["", ""], \
        f"the file list is not the paths followed by an empty name: {names}"


@pytest.fixture
def list_fixture(kdriver, tmp_path):
    """list_fixture.exe showing ROWS; yields (window, normal list, virtual list)."""
    rows_file = tmp_path / "rows.txt"
    rows_file.write_bytes("\n".join("\t".join(r) for r in ROWS).encode("utf-8"))
    proc = subprocess.Popen(["wine", str(WIN64 / "list_fixture.exe"), "--rows", windows_path(rows_file)],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    kdriver.processes.append(proc)
    window = kdriver.wait_window(title="kdriver list fixture")
    lists = [h for h, _, cls, _, _ in kdriver.tree(window) if cls == "SysListView32"]
    assert len(lists) == 2, f"the fixture should have two list views: {lists}"
    assert kdriver.find_list(window) == lists[0], "find-child did not return the first list view"
    yield window, lists[0], lists[1]


ROWS = [
    ("粘贴板", "20240101120000001.spt"),
    ("", "20240101120000002.spt"),
    ("說乗\\[]| 中文 mixed", "20240101120000003.cbf"),
    ("长" * 1500 + "...", "20240101120000004.spt"),  # longer than the first read buffer
]


def test_list_rows_reads_normal_and_virtual_lists(kdriver, list_fixture):
    _, normal, virtual = list_fixture
    for name, lst in (("normal", normal), ("virtual", virtual)):
        assert kdriver.list_rows(lst) == [r[0] for r in ROWS], f"column 0 of the {name} list read back wrong"
        assert kdriver.list_rows(lst, column=1) == [r[1] for r in ROWS], f"column 1 of the {name} list read back wrong"


def test_wait_rows_follows_rows_added_later(kdriver, list_fixture):
    window, normal, virtual = list_fixture
    kdriver.post(window, WM_APP)
    kdriver.post(window, WM_APP)
    for name, lst in (("normal", normal), ("virtual", virtual)):
        assert kdriver.wait_rows(lst, len(ROWS) + 2, timeout=10) == len(ROWS) + 2
        assert kdriver.list_rows(lst)[-2:] == ["新行 1", "新行 2"], f"the added rows of the {name} list are wrong"
    start = time.monotonic()
    code, out, _ = kdriver.run_driver("wait-rows", virtual, len(ROWS) + 3, "--timeout", "0.5")
    assert code == 1 and out.strip() == str(len(ROWS) + 2), f"wait-rows must time out reporting the count: {code} {out}"
    assert time.monotonic() - start < 10, "wait-rows overran its deadline"


def test_hot_key_and_tray_callback_reach_the_fixture(kdriver, list_fixture):
    window, normal, _ = list_fixture
    kdriver.foreground(window)
    kdriver.send_keys("ctrl+f12")
    kdriver.wait_rows(normal, len(ROWS) + 1, timeout=10)
    kdriver.tray_notify(window, WM_LBUTTONDOWN)
    kdriver.wait_rows(normal, len(ROWS) + 2, timeout=10)
    assert kdriver.list_rows(normal)[len(ROWS):] == ["热键 1", "托盘 0x402 0x201"], \
        "send-keys did not fire the hot key once, or the tray callback lost its parameters"


def test_wait_window_finds_hidden_windows_only_when_asked(kdriver):
    # The session's holder is a hidden window, as Kelvarion's main window is in the tray.
    code, _ = kdriver.driver("wait-window", "--title", "kdriver hold", "--timeout", "0.3")
    assert code == 1, "wait-window without --hidden must not find a hidden window"
    hwnd = kdriver.find_main_window(title="kdriver hold", timeout=5)
    assert not kdriver.is_visible(hwnd), "is-visible reports the hidden holder as visible"


def test_window_tools_on_the_fixture(kdriver, list_fixture):
    window, normal, _ = list_fixture
    assert kdriver.window_text(window) == "kdriver list fixture"
    left, top, right, bottom = kdriver.rect(window)
    assert (left, top, right - left, bottom - top) == (40, 40, 640, 360), "rect is not the window's rectangle"
    kdriver.move(window, 70, 55, 600, 340)
    left, top, right, bottom = kdriver.rect(window)
    assert (left, top, right - left, bottom - top) == (70, 55, 600, 340), "move did not place the window"
    assert kdriver.is_visible(normal), "the list view should be visible"
    kdriver.foreground(window)
    assert kdriver.get_foreground() == window, "foreground did not bring the fixture to the front"
    kdriver.post(window, 0x0010)  # WM_CLOSE
    assert kdriver.wait_gone(window, timeout=10), "the fixture did not close on WM_CLOSE"


def test_send_keys_types_into_the_foreground_window(kdriver):
    proc = subprocess.Popen(["wine", "notepad"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    kdriver.processes.append(proc)
    window = kdriver.wait_window(cls="Notepad")
    edit = kdriver.find_child(window, cls="Edit", timeout=5)
    kdriver.foreground(window)
    kdriver.send_keys("--text", "中文ab", "shift+x", "--vk", "0x59", "down", "--vk", "0x59", "up")
    wait_for(lambda: kdriver.window_text(edit) == "中文abXy", timeout=10, what="the typed text in notepad")
    kdriver.send_keys("ctrl+a", "ctrl+c")
    wait_for(lambda: kdriver.get_text() == "中文abXy", timeout=10, what="ctrl+a ctrl+c to copy the typed text")


@pytest.mark.parametrize("leaving", ["head", "tail"])
def test_viewers_in_a_chain_see_every_change_after_one_leaves(kdriver, leaving):
    kdriver.set_text("链前")
    with kdriver.viewer() as tail, kdriver.viewer() as head:
        assert head.next_viewer() == tail.hwnd, "the second viewer should have the first as its next"
        kdriver.set_text("链 一")
        for v in (head, tail):
            v.wait_change("链 一")
        gone, stays = (head, tail) if leaving == "head" else (tail, head)
        assert gone.close() == 0, "the viewer did not end cleanly"
        if leaving == "tail":
            wait_for(lambda: head.next_viewer() == "0", timeout=10,
                     what="the head to adopt the leaving tail's next viewer")
        kdriver.set_text("链 二")
        stays.wait_change("链 二")
        kdriver.set_text("链 三")  # a later change: a repeat of the one before would have come first
        stays.wait_change("链 三")
        assert [c["text"] for c in stays.changes()] == ["链 一", "链 二", "链 三"], \
            "the remaining viewer saw a change twice or missed one"
        assert [c["text"] for c in gone.changes()] == ["链 一"], "the viewer that left still saw changes"


def test_timestamp_ms_is_the_host_clock(kdriver):
    before = time.time() * 1000
    stamp = kdriver.timestamp_ms()
    after = time.time() * 1000
    assert before - 5 <= stamp <= after + 5, f"timestamp-ms {stamp} is not between {before} and {after}"
