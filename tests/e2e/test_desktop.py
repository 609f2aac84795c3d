"""The second desktop: switching hides the windows of one desktop and shows
those of the other, the window display list moves windows between them, and
no hidden window is ever lost, not even when Kelvarion is killed."""
import os
import select
import subprocess
import time

import pytest

from conftest import WIN64, WM_CLOSE, WM_COMMAND, wait_for

ID_SWITCH_DESKTOP = 32811
WM_ENDSESSION = 0x0016
LIST_TITLE = "更改桌面窗口显示"
MENU_CLASS = "#32768"


@pytest.fixture(scope="module", autouse=True)
def unmanaged_windows():
    """Without a window manager on the test display, Wine waits two seconds
    for every managed window it unmaps; a switch hides many. Windows of the
    processes started here are unmanaged, so hiding is quick and a hung
    window's second can be measured."""
    key = r"HKCU\Software\Wine\X11 Driver"
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    subprocess.run(["wine", "reg", "add", key, "/v", "Managed", "/t", "REG_SZ", "/d", "N", "/f"], **quiet)
    yield
    subprocess.run(["wine", "reg", "delete", key, "/v", "Managed", "/f"], **quiet)


class HelperWindows:
    """test_windows.exe: one visible top-level window per title, handles as text."""

    def __init__(self, program, *titles, hung=None):
        args = list(titles) + (["--hung", hung] if hung else [])
        self.proc = subprocess.Popen(["wine", str(WIN64 / "test_windows.exe"), *args], stdin=subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        program.processes.append(self.proc)
        count = len(args) - (1 if hung else 0)
        deadline = time.monotonic() + 30
        out = b""
        while out.count(b"\n") < count:
            ready, _, _ = select.select([self.proc.stdout], [], [], max(0.0, deadline - time.monotonic()))
            assert ready, f"test_windows.exe printed {out!r} and then nothing (exit {self.proc.poll()})"
            chunk = os.read(self.proc.stdout.fileno(), 4096)
            assert chunk, f"test_windows.exe ended after printing {out!r}"
            out += chunk
        self.handles = out.decode().split()
        for h in self.handles:
            assert program.wait_visible(h), f"test window {h} did not show"


def switch(program, frame):
    """The desktop switch, run to its end: the command is sent, not posted."""
    program.send(frame, WM_COMMAND, ID_SWITCH_DESKTOP, timeout=30)


def visible(program, handles):
    return {h for h in handles if program.is_visible(h)}


def start(program):
    """Kelvarion started and ready: (its process, its main window)."""
    proc = program.start()
    frame = program.main_window()
    program.sync(frame)
    return proc, frame


def test_two_switches_bring_back_the_desktop_and_new_windows_stay_where_they_opened(program):
    proc, frame = start(program)
    frame_shown = program.is_visible(frame)
    first = HelperWindows(program, "一号窗口", "二号窗口", "三号窗口").handles
    switch(program, frame)
    assert visible(program, first) == set(), "the first desktop's windows are hidden"
    assert program.is_visible(frame) == frame_shown, "the main frame is never hidden"
    journal = program.local_dir / "HiddenWindows.txt"
    assert journal.exists(), "the hidden windows are written down while they are hidden"

    second = HelperWindows(program, "第二桌面的窗口").handles
    switch(program, frame)
    assert visible(program, first + second) == set(first), "back on the first desktop"
    switch(program, frame)
    assert visible(program, first + second) == set(second), "the window opened on the second desktop is there"
    switch(program, frame)
    assert visible(program, first + second) == set(first)

    # Through the paste menu as the user does it.
    program.send_keys("ctrl+f1")
    menu = program.wait_window(cls=MENU_CLASS, timeout=10)
    program.send_keys("i", "d")
    assert program.wait_gone(menu)
    for h in first:
        assert program.wait_visible(h, visible=False), f"the menu's switch left {h} shown"
    assert program.wait_visible(second[0])

    # Every hidden window comes back when Kelvarion exits.
    program.post(frame, WM_CLOSE)
    proc.wait(timeout=30)
    assert visible(program, first + second) == set(first + second), "the exit shows every hidden window"
    assert not journal.exists(), "nothing is hidden any more"


def timed_switch(program, frame):
    began = time.monotonic()
    switch(program, frame)
    return time.monotonic() - began


def test_a_hung_window_is_left_alone_and_costs_about_a_second(program):
    _, frame = start(program)
    normal = HelperWindows(program, "正常的窗口").handles[0]
    # The same switch without the hung window, for what the rest costs.
    plain = timed_switch(program, frame)
    assert not program.is_visible(normal)
    timed_switch(program, frame)
    assert program.is_visible(normal)

    hung = HelperWindows(program, hung="不响应的窗口").handles[0]
    with_hung = timed_switch(program, frame)
    assert not program.is_visible(normal)
    assert program.is_visible(hung), "a hung window is neither shown nor hidden"
    print(f"switch {plain:.2f} s, with a hung window {with_hung:.2f} s")
    assert with_hung - plain < 2.0, f"the hung window cost {with_hung - plain:.1f} s, not about one"
    timed_switch(program, frame)
    assert program.is_visible(normal) and program.is_visible(hung)


def test_the_window_list_moves_a_window_to_the_other_desktop(program):
    _, frame = start(program)
    kept, moved = HelperWindows(program, "留在这里的窗口", "移走的窗口").handles
    program.send_keys("ctrl+f1")
    menu = program.wait_window(cls=MENU_CLASS, timeout=10)
    program.send_keys("i", "w")
    program.wait_gone(menu)
    dialog = program.wait_window(title=LIST_TITLE, timeout=15)
    lst = program.find_list(dialog)
    program.wait_rows(lst, 2, at_least=True)
    titles = program.list_rows(lst, column=0)
    handles = program.list_rows(lst, column=1)
    programs = program.list_rows(lst, column=2)
    program.screenshot("window-list")
    assert frame not in handles, "the main frame is never listed"
    for cls in ("Shell_TrayWnd", "Progman"):
        code, shell = program.driver("wait-window", "--class", cls, "--hidden", "--timeout", 0)
        if code == 0:
            assert shell not in handles, f"the {cls} window is listed"
    row = handles.index(moved)
    assert titles[row] == "移走的窗口"
    assert programs[row].lower().endswith("test_windows.exe"), programs[row]

    # A click on the row's check box unticks it; Escape applies like OK.
    left, top, _, bottom = program.item_rect(lst, row)
    program.foreground(dialog)
    program.click(left + 8, (top + bottom) // 2)
    program.send_keys("esc")
    assert program.wait_gone(dialog), "Escape closes the list"
    assert program.wait_visible(moved, visible=False), "an unticked window disappears at once"
    assert program.is_visible(kept)

    switch(program, frame)
    assert visible(program, [kept, moved]) == {moved}, "it shows on the second desktop"
    switch(program, frame)
    assert visible(program, [kept, moved]) == {kept}, "and hides again on the first"


def test_windows_hidden_by_a_killed_kelvarion_come_back_at_the_next_start(program):
    proc, frame = start(program)
    windows = HelperWindows(program, "甲", "乙").handles
    switch(program, frame)
    assert visible(program, windows) == set()
    journal = program.local_dir / "HiddenWindows.txt"
    assert journal.exists()
    proc.kill()
    proc.wait(timeout=10)
    assert program.wait_gone(frame)
    assert visible(program, windows) == set(), "killed, it could not show them"

    program.start()
    for h in windows:
        assert program.wait_visible(h), f"the next start did not show {h} again"
    wait_for(lambda: not journal.exists(), what="the journal to go once nothing is hidden")


def test_the_end_of_the_session_shows_the_hidden_windows(program):
    _, frame = start(program)
    windows = HelperWindows(program, "会话窗口").handles
    switch(program, frame)
    assert not program.is_visible(windows[0])
    program.send(frame, WM_ENDSESSION, 1, 0, timeout=30)
    assert program.is_visible(windows[0]), "a logoff shows the hidden windows before the process ends"
