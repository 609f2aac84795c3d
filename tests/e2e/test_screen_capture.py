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


ID_CAPTURE_REGION = 32789
ID_PICK_WINDOW = 32786


def wait_pattern_on_screen():
    """Waits until the X screen shows the pattern window's four colours."""
    def shown():
        raw = subprocess.run(["import", "-window", "root", "-crop", f"{WIDTH}x{HEIGHT}+{LEFT}+{TOP}", "-depth", "8",
                              "rgb:-"], capture_output=True).stdout
        if len(raw) != WIDTH * HEIGHT * 3:
            return False
        return all(tuple(raw[(y * WIDTH + x) * 3:(y * WIDTH + x) * 3 + 3]) == pattern_color(x, y)
                   for x, y in [(5, 5), (WIDTH - 5, 5), (5, HEIGHT - 5), (WIDTH - 5, HEIGHT - 5)])
    wait_for(shown, what="the pattern window on the screen")


def start_with_pattern(program):
    """Kelvarion started with the pattern window on the screen: the main
    window, its list and the pattern's process."""
    program.start()
    frame = program.main_window()
    list_view = program.history_list()
    pattern = show_pattern(program)
    wait_pattern_on_screen()
    return frame, list_view, pattern


def assert_capture_is_pattern(program, name, left, top, width, height):
    """The capture is a BMP of that size whose pixels are the pattern's at
    that place of the screen."""
    data = (program.history_dir / name).read_bytes()
    got_width, got_height, pixel = bmp_pixels(data)
    assert (got_width, got_height) == (width, height)
    wrong = [(x, y) for y in range(height) for x in range(width)
             if pixel(x, y) != pattern_color(left + x - LEFT, top + y - TOP)]
    assert not wrong, f"{len(wrong)} pixels differ from the pattern, the first at {wrong[0]}"


def open_region_window(program, frame):
    program.command(frame, ID_CAPTURE_REGION)
    region = program.wait_window(cls="#32770")
    assert program.wait_visible(region)
    assert program.rect(region) == (0, 0, 1280, 800), "the selection covers the whole screen"
    return region


def test_a_dragged_region_is_cut_from_the_frozen_screen_in_either_direction(program):
    frame, list_view, _ = start_with_pattern(program)
    # Inside the pattern window, across all four colours.
    a, b = (LEFT + 10, TOP + 12), (LEFT + 95, TOP + 61)
    for rows, (start, end) in enumerate([(a, b), (b, a)], start=1):
        region = open_region_window(program, frame)
        assert not program.is_visible(frame), "the main window steps aside while the region is chosen"
        program.mouse("down", *start)
        program.mouse("move", (start[0] + end[0]) // 2, (start[1] + end[1]) // 2)
        program.mouse("move", *end)
        if rows == 1:
            program.screenshot("region-rubber-band")
        program.mouse("up", *end)
        program.wait_rows(list_view, rows)
        assert program.wait_gone(region)
        name = program.history_rows()[0]
        assert name.endswith(".bmp") and program.history_rows(column=3)[0] == "4"
        assert_capture_is_pattern(program, name, a[0], a[1], b[0] - a[0], b[1] - a[1])
        assert program.wait_visible(frame), "the main window is back after the capture"
    assert len(program.history_files()) == 2


@pytest.mark.parametrize("how", ["click", "escape"])
def test_a_region_window_closed_without_a_drag_saves_nothing(program, how):
    program.start()
    frame = program.main_window()
    list_view = program.history_list()
    region = open_region_window(program, frame)
    if how == "click":
        program.click(400, 300)
    else:
        program.foreground(region)
        program.send_keys("esc")
    assert program.wait_gone(region)
    assert program.wait_visible(frame), "the main window comes back"
    program.sync(frame)
    assert program.list_rows(list_view) == [] and program.history_files() == []


def pick_button(program, frame):
    toolbar = program.find_child(frame, cls="ToolbarWindow32", timeout=5)
    assert toolbar, "the main window has its toolbar"
    left, top, right, bottom = program.button_rect(toolbar, ID_PICK_WINDOW)
    return (left + right) // 2, (top + bottom) // 2


def test_a_picked_window_is_saved_with_exactly_its_rectangle(program):
    frame, list_view, pattern = start_with_pattern(program)
    button = pick_button(program, frame)
    program.mouse("down", *button)
    program.mouse("move", LEFT + 20, TOP + 20)
    program.mouse("move", LEFT + WIDTH // 2, TOP + HEIGHT // 2)
    program.screenshot("pick-frame")
    program.mouse("up", LEFT + WIDTH // 2, TOP + HEIGHT // 2)
    program.wait_rows(list_view, 1)
    # The frame is gone before the copy: the pixels are the pattern's, every one.
    assert_capture_is_pattern(program, program.history_rows()[0], LEFT, TOP, WIDTH, HEIGHT)
    assert program.wait_visible(frame)
    pattern.kill()


def test_a_pick_over_our_own_windows_or_cancelled_with_escape_saves_nothing(program):
    frame, list_view, _ = start_with_pattern(program)
    button = pick_button(program, frame)
    left, top, right, bottom = program.rect(list_view)
    # Over the pattern, then back over the main window's list and released there.
    program.mouse("down", *button)
    program.mouse("move", LEFT + 30, TOP + 30)
    program.mouse("move", (left + right) // 2, (top + bottom) // 2)
    program.mouse("up", (left + right) // 2, (top + bottom) // 2)
    program.sync(frame)
    assert program.list_rows(list_view) == [] and program.history_files() == []
    # Escape in the list ends the pick: released over the pattern, nothing is
    # saved, and the main window stays.
    program.foreground(frame)
    program.mouse("down", *button)
    program.mouse("move", LEFT + 30, TOP + 30)
    program.send_keys("esc")
    program.sync(frame)
    program.mouse("up", LEFT + 30, TOP + 30)
    program.sync(frame)
    assert program.list_rows(list_view) == [] and program.history_files() == []
    assert program.is_visible(frame), "Escape ended the pick instead of hiding the main window"
    # Without a pick, Escape hides it.
    program.send_keys("esc")
    assert program.wait_visible(frame, visible=False)
