"""Screen captures become image history files and rows at the top of the list."""
import struct
import subprocess

import pytest

from conftest import wait_for

ID_CAPTURE_SCREEN = 32788
SAVE_AS = {"BMP": 32807, "GIF": 32808, "JPG": 32809}
# Where the pattern window stands: away from the main window's usual place.
LEFT, TOP, WIDTH, HEIGHT = 700, 420, 120, 80
QUADRANTS = [(200, 30, 40), (20, 180, 60), (30, 60, 220), (240, 220, 20)]


def pattern_color(x, y):
    """The colour at (x, y) inside the pattern window."""
    return QUADRANTS[(2 if y >= HEIGHT // 2 else 0) + (1 if x >= WIDTH // 2 else 0)]


def show_pattern(program):
    proc = program.start_driver("pattern", LEFT, TOP, WIDTH, HEIGHT, stdout=subprocess.PIPE)
    line = proc.stdout.readline().decode().strip()
    assert line.isdigit(), f"the pattern window did not open (printed {line!r})"
    return proc


def bmp_pixels(data):
    """(width, height, pixel(x, y) from the top) of a bottom-up BMP of 24 or 32 bits."""
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    offset = struct.unpack_from("<I", data, 10)[0]
    row = (width * bits + 31) // 32 * 4

    def pixel(x, y):
        at = offset + (height - 1 - y) * row + x * (bits // 8)
        b, g, r = data[at:at + 3]
        return (r, g, b)
    return width, height, pixel


def decode_rgb(path):
    """The picture as ImageMagick reads it: (width, height, pixel(x, y))."""
    size = subprocess.run(["convert", str(path), "-format", "%w %h", "info:"], check=True, capture_output=True)
    width, height = map(int, size.stdout.split())
    raw = subprocess.run(["convert", str(path), "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout

    def pixel(x, y):
        at = (y * width + x) * 3
        return tuple(raw[at:at + 3])
    return width, height, pixel


def pattern_error(pixel, margin=0):
    """The largest channel difference between the capture and the pattern, over
    every pixel of the pattern window's place at least margin pixels from an
    edge between colours (JPEG blurs the colours across its 8x8 blocks there)."""
    def inside(v, size):
        return all(abs(v - edge) >= margin and abs(v + 1 - edge) >= margin for edge in (0, size // 2, size))
    worst = 0
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if margin and not (inside(x, WIDTH) and inside(y, HEIGHT)):
                continue
            got = pixel(LEFT + x, TOP + y)
            worst = max(worst, max(abs(a - b) for a, b in zip(got, pattern_color(x, y))))
    return worst


@pytest.mark.parametrize("kind, ending, icon", [("BMP", ".bmp", "4"), ("GIF", ".gif", "8"), ("JPG", ".jpg", "9")])
def test_whole_screen_capture_saves_the_screen_in_the_chosen_format(program, kind, ending, icon):
    program.start()
    frame = program.main_window()
    show_pattern(program)
    program.command(frame, SAVE_AS[kind])
    wait_for(lambda: program.setting("ScreenSaveType") == kind, what=f"ScreenSaveType to become {kind}")
    # Wine shows a new window a moment after it is made: capture until the
    # pattern is on the screen.
    rows = 0
    worst = None
    for _ in range(10):
        program.command(frame, ID_CAPTURE_SCREEN)
        rows += 1
        program.wait_rows(program.history_list(), rows)
        name = program.history_rows()[0]
        path = program.history_dir / name
        if kind == "BMP":
            data = path.read_bytes()
            assert data[:2] == b"BM" and struct.unpack_from("<IHHII", data, 2) == (len(data), 0, 0, 54, 40)
            width, height, pixel = bmp_pixels(data)
            assert struct.unpack_from("<HH6I", data, 26)[1] in (24, 32) and struct.unpack_from("<6I", data, 30) == (0,) * 6
        else:
            width, height, pixel = decode_rgb(path)
        assert (width, height) == (1280, 800), "the whole screen of the test display"
        # BMP and GIF keep four colours exactly; JPEG within a small error
        # away from the edges between them.
        worst = pattern_error(pixel, margin=8 if kind == "JPG" else 0)
        if worst <= (0 if kind != "JPG" else 24):
            break
    else:
        pytest.fail(f"the pattern never showed right in the capture (largest channel error {worst})")
    assert name.endswith(ending) and len(name) == 20, name
    assert program.history_rows(column=1)[0] == name
    assert program.history_rows(column=3)[0] == icon, "the row's icon index"
    assert program.history_files() == sorted(program.history_files()) and len(program.history_files()) == rows
    assert program.is_visible(frame), "the main window is back after the capture"
    program.screenshot(f"screen-capture-{kind.lower()}")


@pytest.mark.parametrize("written, used, kept", [("gif", "GIF", "gif"), ("PNG", "BMP", "BMP")])
def test_the_format_setting_is_read_upper_cased_and_unknown_ones_become_bmp(program, written, used, kept):
    program.write_setting("ScreenSaveType", written)
    program.start()
    frame = program.main_window()
    program.sync(frame)
    assert program.setting("ScreenSaveType") == kept, "an unknown format is written back as BMP"
    program.command(frame, ID_CAPTURE_SCREEN)
    program.wait_rows(program.history_list(), 1)
    assert program.history_rows()[0].endswith("." + used.lower())
