"""The main window stays resident: one instance, no Alt+F4, minimise hides."""
from conftest import wait_for

WM_SYSCOMMAND = 0x0112
SC_MINIMIZE = 0xF020


def test_second_start_raises_the_first_and_ends(program):
    first = program.start()
    frame = program.main_window()
    program.post(frame, WM_SYSCOMMAND, SC_MINIMIZE)
    program.wait_visible(frame, visible=False)
    second = program.start()
    wait_for(lambda: second.poll() is not None, timeout=20, what="the second start to end")
    program.wait_visible(frame, visible=True)
    assert first.poll() is None, "the first instance keeps running"


def test_alt_f4_leaves_the_window_open(program):
    program.start()
    frame = program.main_window()
    program.foreground(frame)
    program.send_keys("alt+f4")
    program.send_keys("shift")  # something later in the queue, to know the keys were handled
    assert program.is_visible(frame), "Alt+F4 must not close the main window"


def test_stored_position_is_clamped_to_the_screen(program):
    program.write_setting("MainX", "-50")
    program.write_setting("MainY", "30")
    program.start()
    frame = program.main_window()
    wait_for(lambda: program.is_visible(frame), what="the main window to show")
    left, top, _, _ = program.rect(frame)
    assert (left, top) == (0, 30)
