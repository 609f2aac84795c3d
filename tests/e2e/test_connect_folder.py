"""The "/D" role: Kelvarion.exe opens one folder of connect.ini in the file
explorer and ends, started the way the paste menu starts it; and the explorer
that the program starts is the system's."""
import shutil
import subprocess

import pytest

from conftest import KDRIVER, WM_CLOSE, read_ini, wait_for, windows_path, write_ini_value
from test_paste_menu import choose, start_with_rows

EXPLORER_CLASS = "ExplorerWClass"


def explorer_windows(driver):
    """{handle: title} of the visible file explorer windows."""
    rows = (line.split("\t") for line in driver.must("list").splitlines())
    return {r[0]: r[2] for r in rows if r[1] == EXPLORER_CLASS}


def run_connect(program, section, timeout=30):
    """The paste menu's command line: the program path unquoted, " /D " and the
    section between double quotes. Returns the exit code once the process ended."""
    line = f'{windows_path(program.exe)} /D "{section}"'
    # Wine hands its Unix standard error on to every process started below,
    # the explorer included, which outlives this call: do not wait for its end.
    result = subprocess.run(["wine", str(KDRIVER), "run-line", line, "--timeout", str(timeout)],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=timeout + 30)
    out = result.stdout.decode().strip()
    assert result.returncode == 0, f"Kelvarion.exe /D {section} did not end within {timeout}s ({out})"
    return int(out)


@pytest.fixture
def explorers(program):
    """Explorer windows open before the test; any new one is closed at the end."""
    before = explorer_windows(program)
    yield before
    for hwnd in set(explorer_windows(program)) - set(before):
        program.post(hwnd, WM_CLOSE)
        assert program.wait_gone(hwnd), f"explorer window {hwnd} did not close"


def wait_new_explorer(program, before, timeout=20):
    return wait_for(lambda: {h: t for h, t in explorer_windows(program).items() if h not in before}, timeout,
                    what="a new explorer window")


def test_example_section_opens_drive_c_and_ends(program, explorers):
    connect = program.local_dir / "connect.ini"
    for key, value in (("目录", "c:\\"), ("用户名", ""), ("密码", "")):
        write_ini_value(connect, "范例-打开&C盘", key, value)
    assert run_connect(program, "范例-打开&C盘") == 0, "the /D process ends normally"
    new = wait_new_explorer(program, explorers)
    program.screenshot("connect-folder-c")
    assert len(new) == 1, f"exactly one explorer window opens, not {new}"
    assert "C:" in next(iter(new.values())), f"the explorer shows drive C:, not {new}"
    ps = subprocess.run(["ps", "-eo", "stat=,args="], capture_output=True, text=True).stdout.splitlines()
    mine = (str(program.exe), windows_path(program.exe))
    alive = [line for line in ps if any(p in line for p in mine) and not line.lstrip().startswith("Z")]
    assert not alive, f"no Kelvarion process may stay behind: {alive}"


def test_chinese_folder_name_reaches_the_explorer(program, explorers, tmp_path):
    folder = tmp_path / "剪贴板收藏"
    folder.mkdir()
    write_ini_value(program.local_dir / "connect.ini", "打开收藏", "目录", windows_path(folder))
    assert run_connect(program, "打开收藏") == 0
    new = wait_new_explorer(program, explorers)
    assert any("剪贴板收藏" in title for title in new.values()), f"the explorer shows the Chinese folder, not {new}"


@pytest.mark.parametrize("name, lines", [
    ("no folder", {"用户名": "u"}),
    # No path holds a double quote; one would let the value add explorer arguments.
    ("quote in folder", {"目录": 'c:\\windows" "c:\\'}),
])
def test_section_without_usable_folder_opens_nothing(program, explorers, name, lines):
    connect = program.local_dir / "connect.ini"
    for key, value in lines.items():
        write_ini_value(connect, name, key, value)
    finish_watch = program.watch_processes("explorer.exe", 60)
    assert run_connect(program, name) == 0, "the /D process ends normally"
    # An explorer the process started exists by the time the process has ended.
    started = finish_watch()
    assert not started, f"{name}: no explorer may start, but {started} did"
    new = set(explorer_windows(program)) - set(explorers)
    assert not new, f"{name}: no explorer may open, but {new} did"
    section = read_ini(connect)[name.upper()]
    if "目录" not in lines:
        assert section.get("目录") == "", "the missing folder key is written back empty"
        assert "密码" not in section, "without a folder the password is never read (nor written)"


def plant_explorer(program):
    """A program named explorer.exe beside Kelvarion.exe, where Windows looks
    first for a bare program name: a copy of the driver, which opens no window."""
    shutil.copy2(KDRIVER, program.folder / "explorer.exe")


def test_connect_folder_starts_the_systems_explorer(program, explorers):
    plant_explorer(program)
    write_ini_value(program.local_dir / "connect.ini", "打开C盘", "目录", "c:\\")
    assert run_connect(program, "打开C盘") == 0
    new = wait_new_explorer(program, explorers)
    assert any("C:" in title for title in new.values()), f"the explorer shows drive C:, not {new}"


def test_the_history_folder_opens_in_the_systems_explorer(program, explorers):
    plant_explorer(program)
    start_with_rows(program, 1)
    choose(program, "i", "t")  # 内置命令(&I), 打开临时目录(&T)
    new = wait_new_explorer(program, explorers)
    program.screenshot("history-folder-explorer")
    assert any("CPasteClipboard" in title for title in new.values()), f"the explorer shows the history folder, not {new}"
