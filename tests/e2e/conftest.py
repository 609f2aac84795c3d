"""End-to-end runs of the real Kelvarion.exe under Wine.

scripts/test-e2e starts the display and the Wine prefix and runs pytest here;
every test gets its own copy of the program in a fresh folder, so its program
settings file, local directory and history are its own.

`Driver` wraps kdriver.exe (the clipboard, windows, list rows, keys, a clipboard
viewer of our own); `Program` is one installation of Kelvarion.exe with the
driver's helpers and its settings and history files.
"""
import getpass
import os
import re
import select
import shutil
import subprocess
import time
from pathlib import Path

import pytest

TOP = Path(__file__).resolve().parents[2]
WIN64 = TOP / "build" / "win64"
SHOTS = TOP / "build" / "e2e"
KDRIVER = WIN64 / "kdriver.exe"

WM_NULL = 0x0000
WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
WM_LBUTTONDOWN = 0x0201
WM_RBUTTONDOWN = 0x0204
WM_APP = 0x8000
# Kelvarion's tray icon: callback message (the first user message plus one) and icon id.
TRAY_MESSAGE = 0x0401
TRAY_ICON_ID = 0x0402
MAIN_TITLE = " Kelvarion"
HISTORY_NAME = re.compile(r"^\d{16}\.(spt|cbf|bmp|gif|jpg)$")


def wait_for(condition, timeout=15.0, interval=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {timeout}s waiting for {what}")
        time.sleep(interval)


def winepath(path):
    return subprocess.run(["winepath", "-w", str(path)], capture_output=True, text=True, check=True).stdout.strip()


def windows_path(path):
    """The Windows form of a Unix path through Wine's drive Z: (no Wine process needed)."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def unescape(text):
    """Undoes kdriver's one-line escaping of backslash, line ends and tabs."""
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "r": "\r", "t": "\t"}.get(m.group(1), m.group(1)), text)


def read_ini(path):
    """Sections and keys of an ini file in code page 936, names upper-cased."""
    sections, current = {}, None
    for line in Path(path).read_bytes().decode("gbk").split("\r\n"):
        m = re.match(r"^\[(.*)\]$", line.strip())
        if m:
            current = sections.setdefault(m.group(1).upper(), {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current[key.strip().upper()] = value.strip()
    return sections


def write_ini_value(path, section, key, value):
    """Sets one value in an ini file in code page 936 (created when missing),
    keeping every other line; names match without regard to case."""
    path = Path(path)
    lines = path.read_bytes().decode("gbk").split("\r\n") if path.exists() else []
    while lines and lines[-1] == "":
        lines.pop()
    entry = f"{key}={value}"
    start = next((i for i, l in enumerate(lines) if l.strip().upper() == f"[{section.upper()}]"), None)
    if start is None:
        lines += [f"[{section}]", entry]
    else:
        end = next((i for i in range(start + 1, len(lines)) if lines[i].strip().startswith("[")), len(lines))
        at = next((i for i in range(start + 1, end)
                   if "=" in lines[i] and lines[i].split("=", 1)[0].strip().upper() == key.upper()), None)
        if at is None:
            lines.insert(end, entry)
        else:
            lines[at] = entry
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(("\r\n".join(lines) + "\r\n").encode("gbk"))


class Viewer:
    """A `kdriver viewer` process in the clipboard viewer chain and its log.

    Log lines (tab-separated): "initial|change, n, ms, sequence, T|-, text",
    "joined, own handle, next", "chain, removed, after, new next", "left, reason".
    """

    def __init__(self, driver, log, timeout=60, read=True):
        self.log = Path(log)
        args = ["viewer", "--out", windows_path(self.log), "--timeout", str(timeout)]
        if not read:
            args.append("--no-read")
        self.proc = driver.start_driver(*args, stdout=subprocess.PIPE)
        ready, _, _ = select.select([self.proc.stdout], [], [], 30)
        line = self.proc.stdout.readline().decode().strip() if ready else ""
        assert line.isdigit(), f"the viewer did not join the chain (printed {line!r}, exit {self.proc.poll()})"
        self.hwnd = line
        self.driver = driver

    def events(self):
        if not self.log.exists():
            return []
        # The viewer may be half-way through a line; take whole lines only.
        lines = self.log.read_bytes().decode("utf-8", "replace").split("\n")[:-1]
        return [line.split("\t") for line in lines]

    def changes(self):
        """Every clipboard change seen, as dicts with n, ms, sequence and text (None without text)."""
        return [{"n": int(e[1]), "ms": float(e[2]), "sequence": int(e[3]),
                 "text": unescape(e[5]) if e[4] == "T" else None}
                for e in self.events() if e[0] == "change"]

    def wait_change(self, text, timeout=10, after=0):
        """Waits until a change with that text was seen (one of those after the
        first `after` changes); returns it.

        A viewer started before Kelvarion sits behind it in the chain: Kelvarion
        handles each change before it passes the notice on, so this is the
        barrier for checks that Kelvarion did NOT do something with a change."""
        return wait_for(lambda: next((c for c in self.changes() if c["n"] > after and c["text"] == text), None),
                        timeout, what=f"viewer {self.hwnd} to see the text {text!r}")

    def next_viewer(self):
        """The next window in the chain as this viewer last knew it."""
        nxt = None
        for e in self.events():
            if e[0] == "joined":
                nxt = e[2]
            elif e[0] == "chain":
                nxt = e[3]
        return nxt

    def close(self, timeout=15):
        """Posts WM_CLOSE and waits for the viewer to leave the chain and end."""
        if self.proc.poll() is None:
            self.driver.post(self.hwnd, WM_CLOSE)
            self.proc.wait(timeout=timeout)
        assert any(e[0] == "left" for e in self.events()), f"viewer {self.hwnd} did not leave the chain"
        return self.proc.returncode

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.close()


class Driver:
    """kdriver.exe commands as Python calls. Handles travel as decimal strings.

    Every call that must succeed raises AssertionError with kdriver's output."""

    def __init__(self, scratch: Path):
        self.scratch = Path(scratch)
        self.scratch.mkdir(parents=True, exist_ok=True)
        self.processes = []
        self._files = 0

    # --- running kdriver

    def run_driver(self, *args, timeout=60):
        """(exit code, stdout as text, stderr as text) of one kdriver command."""
        result = subprocess.run(["wine", str(KDRIVER), *map(str, args)], capture_output=True, timeout=timeout)
        return (result.returncode, result.stdout.decode("utf-8", "replace"),
                result.stderr.decode("utf-8", "replace"))

    def driver(self, *args, timeout=60):
        code, out, _ = self.run_driver(*args, timeout=timeout)
        return code, out.strip()

    def start_driver(self, *args, stdout=subprocess.DEVNULL):
        proc = subprocess.Popen(["wine", str(KDRIVER), *map(str, args)], stdout=stdout, stderr=subprocess.DEVNULL)
        self.processes.append(proc)
        return proc

    def must(self, *args, timeout=60):
        code, out, err = self.run_driver(*args, timeout=timeout)
        assert code == 0, f"kdriver {' '.join(map(str, args))[:200]} failed with {code}: {out.strip()} {err.strip()}"
        return out

    def _scratch_file(self, data: bytes):
        self._files += 1
        path = self.scratch / f"kdriver-{self._files}.bin"
        path.write_bytes(data)
        return windows_path(path)

    def stop(self):
        for proc in self.processes:
            if proc.poll() is None:
                proc.kill()
                proc.wait(timeout=10)

    # --- clipboard

    def set_text(self, text):
        """Puts text on the clipboard as CF_UNICODETEXT (Wine adds TEXT, OEMTEXT and LOCALE)."""
        self.must("set-text", "--from", self._scratch_file(text.encode("utf-8")))

    def get_text(self):
        """The clipboard's CF_UNICODETEXT, or None when it has none."""
        code, out, _ = self.run_driver("get-text")
        return out if code == 0 else None

    def set_formats(self, formats):
        """A clipboard of several formats: {name or number: bytes} or a list of pairs.
        A name that is not predefined is registered."""
        pairs = formats.items() if isinstance(formats, dict) else formats
        args = []
        for name, data in pairs:
            value = data.hex() if len(data) <= 256 else "@" + self._scratch_file(data)
            args.append(f"{name}={value}")
        self.must("set-formats", *args)

    def set_files(self, *paths):
        """CF_HDROP with these Windows paths."""
        self.must("set-files", *paths)

    def formats(self):
        """[(id, name)] of the clipboard's formats in the order the clipboard gives them."""
        out = self.must("formats")
        return [(int(i), name) for i, name in (line.split("\t", 1) for line in out.splitlines())]

    def format_names(self):
        return sorted(name for _, name in self.formats())

    def get_format(self, name):
        """The bytes of one format (a number or a name), None when absent."""
        code, out, _ = self.run_driver("get-format", name)
        return bytes.fromhex(out.strip()) if code == 0 else None

    def wait_clipboard_text(self, text, timeout=10):
        """Waits until the clipboard's CF_UNICODETEXT is text."""
        return wait_for(lambda: self.get_text() == text, timeout, what=f"the clipboard to hold {text!r}")

    def clear(self):
        self.must("clear")

    def sequence(self):
        return int(self.must("sequence"))

    def clipboard_owner(self):
        """The handle of the window that owns the clipboard, as text ("0" for none)."""
        return self.must("owner").strip()

    def watch_processes(self, name, seconds):
        """Starts watching for new processes of that executable name, for at most
        `seconds`; returns a function that ends the watch (after one more look)
        and gives [(pid, parent, command line)]. Call it once whatever was to
        start the processes is known to be over."""
        self._files += 1
        stop = self.scratch / f"watch-{self._files}.stop"
        proc = self.start_driver("watch-processes", name, "--timeout", seconds, "--until", windows_path(stop),
                                 stdout=subprocess.PIPE)
        ready, _, _ = select.select([proc.stdout], [], [], 30)
        assert ready and proc.stdout.readline().strip() == b"watching", "kdriver watch-processes did not start"

        def finish():
            stop.touch()
            out, _ = proc.communicate(timeout=seconds + 30)
            lines = [line.split("\t", 2) for line in out.decode("utf-8", "replace").splitlines() if line]
            return [(int(pid), int(parent), unescape(command)) for pid, parent, command in lines]
        return finish

    def viewer(self, log=None, timeout=60, read=True):
        """Starts a clipboard viewer of our own; use as a context manager."""
        self._files += 1
        return Viewer(self, log or self.scratch / f"viewer-{self._files}.log", timeout, read)

    # --- windows

    def wait_window(self, title=None, cls=None, text=None, hidden=False, timeout=20):
        args = ["wait-window", "--timeout", timeout]
        if title is not None:
            args += ["--title", title]
        if cls is not None:
            args += ["--class", cls]
        if text is not None:
            args += ["--text", text]
        if hidden:
            args.append("--hidden")
        code, out = self.driver(*args, timeout=timeout + 30)
        assert code == 0, f"no window with title={title!r} class={cls!r} text={text!r} within {timeout}s"
        return out

    def find_main_window(self, title=MAIN_TITLE, timeout=20):
        """Kelvarion's main window, visible or hidden in the tray."""
        return self.wait_window(title=title, hidden=True, timeout=timeout)

    def wait_gone(self, hwnd, timeout=15):
        return self.driver("wait-gone", hwnd, "--timeout", timeout, timeout=timeout + 30)[0] == 0

    def find_child(self, hwnd, cls=None, text=None, timeout=0):
        """First descendant with that class (and text), or None."""
        args = ["find-child", hwnd, "--timeout", timeout]
        if cls is not None:
            args += ["--class", cls]
        if text is not None:
            args += ["--text", text]
        code, out = self.driver(*args, timeout=timeout + 30)
        return out if code == 0 else None

    def find_list(self, hwnd, timeout=5):
        lst = self.find_child(hwnd, cls="SysListView32", timeout=timeout)
        assert lst, f"window {hwnd} has no list view"
        return lst

    def list_rows(self, hwnd, column=0):
        """Every row's text in that column of a list view in another process."""
        out = self.must("list-rows", hwnd, "--column", column)
        return [unescape(line) for line in out.split("\n")[:-1]]

    def wait_rows(self, hwnd, count, timeout=15, at_least=False):
        """Waits until the list has count rows (or more, with at_least); returns the count."""
        args = ["wait-rows", hwnd, count, "--timeout", timeout] + (["--at-least"] if at_least else [])
        code, out = self.driver(*args, timeout=timeout + 30)
        assert code == 0, f"list {hwnd} has {out} rows, not {'at least ' if at_least else ''}{count}, after {timeout}s"
        return int(out)

    def item_rect(self, hwnd, row):
        """(left, top, right, bottom) of a list view row on the screen."""
        return tuple(int(v) for v in self.must("item-rect", hwnd, row).split())

    def button_rect(self, toolbar, command_id):
        """(left, top, right, bottom) of a toolbar button on the screen."""
        return tuple(int(v) for v in self.must("button-rect", toolbar, command_id).split())

    def mouse(self, action, x, y):
        """A real mouse move to (x, y), then a left button "down" or "up" (or
        nothing, for "move")."""
        self.must("mouse", action, x, y)

    def tree(self, hwnd):
        """[(handle, parent, class, text, visible)] of every descendant."""
        out = self.must("tree", hwnd)
        return [(h, p, c, unescape(t), v == "1") for h, p, c, t, v in (l.split("\t") for l in out.splitlines())]

    def rect(self, hwnd):
        """(left, top, right, bottom) of a window on the screen."""
        return tuple(int(v) for v in self.must("rect", hwnd).split())

    def move(self, hwnd, left, top, width, height):
        """Moves and sizes a window of another process (SetWindowPos)."""
        self.must("move", hwnd, left, top, width, height)

    def post(self, hwnd, message, wparam=0, lparam=0):
        self.must("post", hwnd, message, wparam, lparam)

    def send(self, hwnd, message, wparam=0, lparam=0, timeout=5):
        return int(self.must("send", hwnd, message, wparam, lparam, "--timeout", timeout))

    def sync(self, hwnd, timeout=15):
        """Returns once the window's thread has answered a message sent now: it
        has finished what it was doing (a handler, a start-up) and is back in
        its message loop. Sent messages come before posted ones and input, so
        this is no barrier for keys or posted commands."""
        self.send(hwnd, WM_NULL, timeout=timeout)

    def command(self, hwnd, command_id):
        self.must("command", hwnd, command_id)

    def tray_notify(self, hwnd, mouse_message=WM_LBUTTONDOWN):
        """What the shell sends Kelvarion's main window when its tray icon is clicked."""
        self.post(hwnd, TRAY_MESSAGE, TRAY_ICON_ID, mouse_message)

    def click(self, x, y, right=False, double=False):
        """A real mouse click (SendInput) at a screen position."""
        self.must("click", x, y, *(["--right"] if right else []), *(["--double"] if double else []))

    def send_keys(self, *keys):
        """SendInput of chords ("ctrl+f1", "esc"), ("--vk", "0x11", "down") or ("--text", "...")."""
        self.must("send-keys", *keys)

    def foreground(self, hwnd, timeout=15):  # a loaded machine switches slowly
        self.must("foreground", hwnd, "--timeout", timeout)

    def get_foreground(self):
        return self.must("get-foreground").strip()

    def is_visible(self, hwnd):
        code, out, _ = self.run_driver("is-visible", hwnd)
        assert out.strip() in ("0", "1"), f"{hwnd} is not a window"
        return out.strip() == "1"

    def wait_visible(self, hwnd, visible=True, timeout=10):
        args = ["wait-visible", hwnd, "--timeout", timeout] + ([] if visible else ["--not"])
        return self.driver(*args, timeout=timeout + 30)[0] == 0

    def window_text(self, hwnd):
        return self.must("window-text", hwnd)[:-1]

    def timestamp_ms(self):
        """Wall-clock milliseconds since 1970 as Windows programs see it (the host's clock)."""
        return float(self.must("timestamp-ms"))


class Program(Driver):
    """One private installation of Kelvarion.exe and the driver beside it."""

    def __init__(self, folder: Path):
        super().__init__(folder.parent / "driver")
        self.folder = folder
        folder.mkdir(parents=True, exist_ok=True)
        self.exe = folder / "Kelvarion.exe"
        shutil.copy2(WIN64 / "Kelvarion.exe", self.exe)

    def start(self, *args):
        proc = subprocess.Popen(["wine", str(self.exe), *args], cwd=self.folder, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(proc)
        return proc

    def run(self, *args, timeout=30):
        return subprocess.run(["wine", str(self.exe), *args], cwd=self.folder, timeout=timeout,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def screenshot(self, name):
        SHOTS.mkdir(parents=True, exist_ok=True)
        path = SHOTS / f"{name}.png"
        subprocess.run(["import", "-window", "root", str(path)], check=True)
        return path

    # --- windows of this installation

    def main_window(self, timeout=20):
        return self.find_main_window(timeout=timeout)

    def history_list(self, timeout=20):
        """The main window's history list view."""
        return self.find_list(self.main_window(timeout), timeout=5)

    def history_rows(self, column=0):
        """The texts of the history list, top (newest) row first."""
        return self.list_rows(self.history_list(), column=column)

    # --- files of this installation

    @property
    def user_name(self):
        """The Windows user name Wine reports: the Unix login name."""
        return getpass.getuser()

    @property
    def local_dir(self):
        """<install>/<user name>/, matched without regard to case once it exists."""
        found = [d for d in self.folder.iterdir() if d.is_dir() and d.name.lower() == self.user_name.lower()]
        return found[0] if found else self.folder / self.user_name

    @property
    def history_dir(self):
        return self.local_dir / "CPasteClipboard"

    @property
    def settings_path(self):
        return self.local_dir / "tessaryn.ini"

    def history_files(self, extension=None):
        """Names of the history files (16 digits and a known extension), oldest first."""
        if not self.history_dir.is_dir():
            return []
        names = sorted(f.name for f in self.history_dir.iterdir() if HISTORY_NAME.match(f.name))
        return [n for n in names if extension is None or n.endswith(extension)]

    def history_text(self, name):
        """A ".spt" history file's text (code page 936)."""
        return (self.history_dir / name).read_bytes().decode("gbk")

    def settings(self):
        """The user settings file as {SECTION: {KEY: value}}, names upper-cased."""
        return read_ini(self.settings_path) if self.settings_path.exists() else {}

    def setting(self, key, section="Setup"):
        return self.settings().get(section.upper(), {}).get(key.upper())

    def write_setting(self, key, value, section="Setup"):
        """Presets a user setting (before the program starts)."""
        write_ini_value(self.settings_path, section, key, value)


@pytest.fixture(scope="session", autouse=True)
def wine_session():
    """One Wine session for the whole run. The clipboard lives in the wineserver,
    which ends with the last program of the session; and the system processes
    the first program starts would inherit that program's output pipes, so a
    captured run would never see its end of output. Start a persistent server and
    its services up front, with nothing to inherit."""
    subprocess.run(["wineserver", "-p"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wine", "wineboot"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=120)
    # The private display has no window manager, so Wine must draw the title
    # bars of dialogs itself, or the screenshots show them without captions.
    subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated", "/t", "REG_SZ",
                    "/d", "N", "/f"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
    # Wine drops the window station, and the clipboard with it, when its last
    # program ends: keep one program alive so the clipboard outlives its setter.
    holder = subprocess.Popen(["wine", str(KDRIVER), "hold", "--timeout", "7200"], stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    ready, _, _ = select.select([holder.stdout], [], [], 60)
    assert ready and holder.stdout.readline().strip().isdigit(), "kdriver hold did not start"
    yield
    holder.kill()
    holder.wait(timeout=10)


@pytest.fixture
def program(tmp_path):
    p = Program(tmp_path / "install")
    # Joining the viewer chain captures what is on the clipboard; start each
    # test from an empty one so that an earlier test's text is not its first row.
    p.clear()
    yield p
    p.stop()


@pytest.fixture
def kdriver(tmp_path):
    """The driver alone, for tests that need no Kelvarion.exe."""
    d = Driver(tmp_path / "kdriver")
    yield d
    d.stop()
