"""Kelvarion shares the clipboard viewer chain: viewers behind it still see
every change, and the chain stays whole whichever member leaves first."""
import pytest

from conftest import wait_for

ID_TOGGLE_LISTEN = 32794


def texts(viewer):
    return [c["text"] for c in viewer.changes() if c["text"] is not None]


@pytest.mark.parametrize("leaving", ["kelvarion", "middle", "tail"])
def test_viewers_behind_kelvarion_see_every_change(program, leaving):
    with program.viewer() as tail, program.viewer() as middle:
        program.start()
        frame = program.main_window()
        program.wait_visible(frame)
        program.set_text("链 甲")
        program.wait_rows(program.history_list(), 1)
        for v in (middle, tail):
            v.wait_change("链 甲")

        if leaving == "kelvarion":
            program.command(frame, ID_TOGGLE_LISTEN)
            wait_for(lambda: program.setting("ListenClipboard") == "N", what="listening to stop")
            stays = [middle, tail]
        elif leaving == "middle":
            assert middle.close() == 0
            stays = [tail]
        else:
            assert tail.close() == 0
            wait_for(lambda: middle.next_viewer() == "0", timeout=10,
                     what="the middle viewer to learn, through Kelvarion, that the tail left")
            stays = [middle]

        program.set_text("链 乙")
        for v in stays:
            v.wait_change("链 乙")
        if leaving == "kelvarion":
            assert program.history_rows() == ["链 甲"], "a paused Kelvarion captured a change"
            # Joining again puts Kelvarion back at the head, still forwarding.
            program.command(frame, ID_TOGGLE_LISTEN)
            program.set_text("链 丙")
            program.wait_rows(program.history_list(), 2)
            for v in stays:
                v.wait_change("链 丙")
        else:
            program.wait_rows(program.history_list(), 2)
            assert program.history_rows() == ["链 乙", "链 甲"]

        # Kelvarion ending takes itself out of the chain and leaves the rest whole.
        program.post(frame, 0x0010)  # WM_CLOSE
        assert program.wait_gone(frame), "the main window did not close"
        program.set_text("链 丁")
        for v in stays:
            v.wait_change("链 丁")
        # Kelvarion is gone, so every notice it was to pass on has arrived.
        for v in stays:
            seen = texts(v)
            assert all(seen.count(t) == 1 for t in seen), f"a viewer saw a change twice: {seen}"
