"""The screen lock: two "/L" processes, each with a full-screen topmost window
over a frozen picture of the screen, each restarting the other, until F1 and
the right password end both."""
import hashlib
import struct
import subprocess
import time

import pytest

from conftest import wait_for

LOCK_MAIN = "6666cd76f96956469e7be39d750cc7d9"
LOCK_GUARD = "fcbaf14d6be23d33cce826286088180b"
LOCK_CLOSE = 0x401
BM_CLICK = 0x00F5
CAPTION = "Kelvarion"
NO_PASSWORD_HINT = "您还没有设定屏幕锁定的密码. 退出时请按 F1 ,可以在那里修改密码."
WRONG_PASSWORD = "您输入了错误的密码!"
NEW_PASSWORDS_DIFFER = "您输入的两次新密码不一致."
ENTER_NEW_PASSWORD = "请输入新密码."
PASSWORD_LABEL = "请输入密码:"
# Control ids of the password dialog.
PASSWORD, CHANGE, NEW_PASSWORD, NEW_AGAIN = 1000, 1033, 1011, 1016


def digest(password):
    return hashlib.md5(password.encode("gbk")).hexdigest().upper()


def find(p, title, hidden=True):
    code, out = p.driver("wait-window", "--title", title, "--timeout", 0, *(["--hidden"] if hidden else []))
    return out if code == 0 else None


def lock_windows(p):
    return find(p, LOCK_MAIN), find(p, LOCK_GUARD)


def pid(p, hwnd):
    return int(p.must("pid", hwnd))


def screen_size():
    out = subprocess.run(["xdpyinfo"], capture_output=True, text=True, check=True).stdout
    line = next(l for l in out.splitlines() if "dimensions:" in l)
    w, h = line.split()[1].split("x")
    return int(w), int(h)


def grab_screen():
    """The whole X screen as (width, height, RGB bytes)."""
    data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], capture_output=True,
                          check=True).stdout
    fields, at = [], 0
    while len(fields) < 4:  # magic, width, height, maximum
        while data[at:at + 1].isspace():
            at += 1
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    assert fields[0] == b"P6"
    return int(fields[1]), int(fields[2]), data[at + 1:]


def read_bmp(path):
    """(width, height, pixel(x, y) -> (r, g, b)) of a 24- or 32-bit BMP file."""
    data = path.read_bytes()
    assert data[:2] == b"BM", f"{path} is no BMP file"
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits in (24, 32), f"{path} has {bits} bits per pixel"
    stride = (width * bits // 8 + 3) & ~3
    rows = abs(height)

    def pixel(x, y):
        row = rows - 1 - y if height > 0 else y
        at = offset + row * stride + x * (bits // 8)
        b, g, r = data[at:at + 3]
        return r, g, b
    return width, rows, pixel


def screen_pixel(shot, x, y):
    width, _, rgb = shot
    at = (y * width + x) * 3
    return tuple(rgb[at:at + 3])


def sample_points(width, height, step=37):
    return [(x, y) for y in range(0, height, step) for x in range(0, width, step)]


def message_box(p, text, timeout=10):
    return p.wait_window(title=CAPTION, cls="#32770", text=text, timeout=timeout)


def dismiss(p, box):
    p.command(box, 1)
    assert p.wait_gone(box), "the message box did not close"


def password_dialog(p, timeout=10):
    return p.wait_window(cls="#32770", text=PASSWORD_LABEL, timeout=timeout)


def control(p, dialog, control_id):
    return p.must("control", dialog, control_id).strip()


def enabled(p, hwnd):
    return p.driver("is-enabled", hwnd)[1] == "1"


def open_password_dialog(p, lock_window):
    p.foreground(lock_window)
    p.send_keys("f1")
    return password_dialog(p)


def end_every_lock(p, timeout=30):
    """Closes every lock window the way an unlock does, including any that a
    partner check started meanwhile, until none is left for two check periods."""
    deadline = time.monotonic() + timeout
    quiet_since = None
    while time.monotonic() < deadline:
        windows = [w for w in lock_windows(p) if w]
        if windows:
            quiet_since = None
            for w in windows:
                p.driver("post", w, LOCK_CLOSE, 0, 0)
            for w in windows:
                p.wait_gone(w, timeout=10)
        elif quiet_since is None:
            quiet_since = time.monotonic()
        elif time.monotonic() - quiet_since > 2.5:
            return
        time.sleep(0.1)
    raise AssertionError("lock windows kept coming back")


@pytest.fixture
def locker(program):
    yield program
    end_every_lock(program)


def start_lock(p, hint=True):
    """Starts "/L" and waits for both windows; with no password set, the hint
    shows over the lock and is answered. Returns (main, guard)."""
    p.start("/L")
    main = p.wait_window(title=LOCK_MAIN, timeout=30)
    guard = p.wait_window(title=LOCK_GUARD, timeout=30)
    if hint:
        dismiss(p, message_box(p, NO_PASSWORD_HINT))
    return main, guard


def test_lock_covers_the_screen_with_a_frozen_picture(locker):
    p = locker
    # Something on the screen that will be gone while the lock shows it.
    p.start()
    frame = p.main_window()
    assert p.wait_visible(frame)
    p.sync(frame)
    frame_rect = p.rect(frame)

    main, guard = start_lock(p, hint=False)
    box = message_box(p, NO_PASSWORD_HINT)
    bmp_width, bmp_height, bmp = read_bmp(p.local_dir / "background.bmp")
    # The hint is on the screen over both lock windows, whichever came last.
    left, top, right, bottom = p.rect(box)
    in_box = [(x, y) for x in range(left + 2, right - 2, 7) for y in range(top + 2, bottom - 2, 7)]

    def hint_shown():
        shot = grab_screen()
        return sum(screen_pixel(shot, *pt) != bmp(*pt) for pt in in_box) > len(in_box) // 2
    wait_for(hint_shown, timeout=5, what="the hint to show over the lock")
    p.screenshot("lock-hint")
    dismiss(p, box)

    width, height = screen_size()
    for hwnd in (main, guard):
        assert p.rect(hwnd) == (0, 0, width, height), "a lock window does not cover the whole screen"
        assert p.must("is-topmost", hwnd).strip() == "1", "a lock window is not topmost"
        assert p.is_visible(hwnd)

    assert (bmp_width, bmp_height) == (width, height)

    # The resident window goes; the lock keeps showing it.
    p.post(frame, 0x0010)
    assert p.wait_gone(frame)
    p.sync(main)
    p.sync(guard)
    shot = grab_screen()
    p.screenshot("lock-frozen")
    points = sample_points(width, height)
    mismatches = [pt for pt in points if screen_pixel(shot, *pt) != bmp(*pt)]
    assert not mismatches, f"{len(mismatches)} of {len(points)} pixels differ from the picture, first {mismatches[0]}"

    end_every_lock(p)
    live = grab_screen()
    left, top, right, bottom = frame_rect
    inside = [(x, y) for x, y in points if left <= x < right and top <= y < bottom]
    assert inside, "the resident window was not on the screen"
    assert any(screen_pixel(live, *pt) != bmp(*pt) for pt in inside), \
        "the picture does not show the window that has gone since"


def test_unreadable_picture_paints_black(locker):
    p = locker
    # A folder where the picture should go: it can be neither written nor read.
    (p.local_dir / "background.bmp").mkdir(parents=True)
    main, guard = start_lock(p)
    p.sync(main)
    p.sync(guard)
    shot = grab_screen()
    p.screenshot("lock-black")
    width, height = screen_size()
    points = sample_points(width, height)
    coloured = [pt for pt in points if screen_pixel(shot, *pt) != (0, 0, 0)]
    assert not coloured, f"{len(coloured)} of {len(points)} pixels are not black, first {coloured[0]}"


def test_partners_replace_each_other_and_a_third_start_raises_the_guard(locker):
    p = locker
    p.write_setting("LockScreenPass", digest("pw"))
    main, guard = start_lock(p, hint=False)

    # The guard's process dies: the main window starts another guard.
    guard_pid = pid(p, guard)
    started = time.monotonic()
    p.must("kill", guard)
    new_guard = wait_for(lambda: (g := find(p, LOCK_GUARD)) and g != guard and g, timeout=10,
                         what="a new guard window")
    replaced_after = time.monotonic() - started
    assert pid(p, new_guard) != guard_pid
    assert find(p, LOCK_MAIN) == main

    # The main window's process dies: the guard takes over and starts a guard.
    started = time.monotonic()
    p.must("kill", main)
    wait_for(lambda: find(p, LOCK_MAIN) == new_guard, timeout=2.5, what="the guard to take over the main title")
    third = wait_for(lambda: (g := find(p, LOCK_GUARD)) and g not in (guard, new_guard) and g, timeout=10,
                     what="a guard for the window that took over")
    taken_over_after = time.monotonic() - started
    main, guard = new_guard, third
    for hwnd in (main, guard):
        assert p.must("is-topmost", hwnd).strip() == "1"
        assert p.is_visible(hwnd)

    # Another "/L" while both exist ends at once and brings the guard forward.
    p.foreground(main)
    watch = p.watch_processes("Kelvarion.exe", 30)
    result = p.run("/L", timeout=30)
    started_now = watch()
    assert result.returncode == 0
    wait_for(lambda: p.get_foreground() == guard, timeout=5, what="the guard to come to the front")
    assert lock_windows(p) == (main, guard), "the third start changed the lock windows"
    # Only the third start itself: it started no lock process of its own.
    assert len([line for line in started_now if "/L" in line[2]]) == 1, started_now
    print(f"guard replaced after {replaced_after:.2f}s, main replaced after {taken_over_after:.2f}s")


def type_into(p, dialog, control_id, text):
    box = control(p, dialog, control_id)
    p.must("set-window-text", box, text)


def test_passwords_without_one_set(locker):
    p = locker
    main, guard = start_lock(p)

    # Escape and Enter change nothing; F1 after them still finds the lock.
    p.foreground(main)
    p.send_keys("esc")
    p.send_keys("enter")
    dialog = open_password_dialog(p, main)
    assert lock_windows(p) == (main, guard)
    assert not enabled(p, control(p, dialog, NEW_PASSWORD))
    assert not enabled(p, control(p, dialog, NEW_AGAIN))
    p.screenshot("lock-password-dialog")

    # A non-empty password with none set is wrong; the lock stays.
    p.send_keys("--text", "abc")
    p.send_keys("enter")
    dismiss(p, message_box(p, WRONG_PASSWORD))
    assert p.wait_gone(dialog)
    assert lock_windows(p) == (main, guard)

    # F1 opens the dialog again; the check box enables the new-password boxes.
    dialog = open_password_dialog(p, main)
    p.send(control(p, dialog, CHANGE), BM_CLICK)
    assert enabled(p, control(p, dialog, NEW_PASSWORD))
    assert enabled(p, control(p, dialog, NEW_AGAIN))
    p.screenshot("lock-password-change")
    type_into(p, dialog, NEW_PASSWORD, "新密码")
    type_into(p, dialog, NEW_AGAIN, "新秘码")
    p.command(dialog, 1)
    box = message_box(p, NEW_PASSWORDS_DIFFER)
    p.screenshot("lock-passwords-differ")
    dismiss(p, box)
    assert p.is_visible(dialog), "the dialog closed on new passwords that differ"

    type_into(p, dialog, NEW_PASSWORD, "")
    type_into(p, dialog, NEW_AGAIN, "")
    p.command(dialog, 1)
    dismiss(p, message_box(p, ENTER_NEW_PASSWORD))
    assert p.is_visible(dialog), "the dialog closed on an empty new password"
    assert lock_windows(p) == (main, guard)
    assert not p.setting("LockScreenPass")

    # The right (empty) password with a new one: stored, and the lock ends.
    pids = [pid(p, main), pid(p, guard)]
    watch = p.watch_processes("Kelvarion.exe", 60)
    type_into(p, dialog, NEW_PASSWORD, "新密码")
    type_into(p, dialog, NEW_AGAIN, "新密码")
    p.command(dialog, 1)
    assert p.wait_gone(main) and p.wait_gone(guard), "the lock did not end"
    for process in pids:
        assert p.driver("wait-exit", process, "--timeout", 15, timeout=45)[0] == 0, f"process {process} did not end"
    # Both processes have ended, so nothing can start another one any more.
    assert watch() == [], "a lock process was started after the unlock"
    stored = p.setting("LockScreenPass")
    assert stored == digest("新密码")
    assert len(stored) == 32 and all(c in "0123456789ABCDEF" for c in stored)


def test_unlock_from_the_guard_with_a_password_set(locker):
    p = locker
    p.write_setting("LockScreenPass", digest("Secret"))
    main, guard = start_lock(p, hint=False)

    dialog = open_password_dialog(p, guard)
    # No hint came up while a password is set (the dialog's showing proves
    # the main window finished its start).
    p.sync(main)
    assert p.driver("wait-window", "--title", CAPTION, "--text", NO_PASSWORD_HINT, "--timeout", 0)[0] != 0

    # The other letter case is another password; so is none.
    for wrong in ("secret", ""):
        type_into(p, dialog, PASSWORD, wrong)
        p.command(dialog, 1)
        dismiss(p, message_box(p, WRONG_PASSWORD))
        assert p.wait_gone(dialog)
        assert lock_windows(p) == (main, guard)
        dialog = open_password_dialog(p, guard)

    type_into(p, dialog, PASSWORD, "Secret")
    p.command(dialog, 1)
    assert p.wait_gone(guard) and p.wait_gone(main), "the lock did not end"
    assert p.setting("LockScreenPass") == digest("Secret")


def test_the_paste_menu_entry_starts_the_lock(locker):
    p = locker
    p.start()
    frame = p.main_window()
    p.sync(frame)
    p.send_keys("ctrl+f1")
    menu = p.wait_window(cls="#32768", timeout=10)
    p.send_keys("i", "l")  # "内置命令(&I)", "锁定屏幕(&L)"
    assert p.wait_gone(menu)
    main = p.wait_window(title=LOCK_MAIN, timeout=30)
    guard = p.wait_window(title=LOCK_GUARD, timeout=30)
    dismiss(p, message_box(p, NO_PASSWORD_HINT))
    # The resident program goes on beside the lock in processes of its own.
    assert pid(p, main) != pid(p, frame) and pid(p, guard) != pid(p, frame)
    assert p.sync(frame) is None


def test_unlock_at_the_guard_closes_the_hint_still_open(locker):
    p = locker
    main, guard = start_lock(p, hint=False)
    box = message_box(p, NO_PASSWORD_HINT)
    pids = [pid(p, main), pid(p, guard)]
    dialog = open_password_dialog(p, guard)
    p.command(dialog, 1)  # the empty password, right while none is set
    assert p.wait_gone(guard) and p.wait_gone(main), "the lock did not end"
    assert p.wait_gone(box), "the hint stayed on the unlocked screen"
    for process in pids:
        assert p.driver("wait-exit", process, "--timeout", 15, timeout=45)[0] == 0, f"process {process} did not end"
