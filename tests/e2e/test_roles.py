"""The command line chooses the role of a Kelvarion process."""
from conftest import wait_for


def test_unknown_switch_shows_error_parm_and_ends(program):
    proc = program.start("/X")
    code, hwnd = program.driver("wait-window", "--class", "#32770", "--text", "Error Parm", "--timeout", "20")
    assert code == 0, "no message box with the text 'Error Parm' appeared"
    assert proc.poll() is None, "the process must wait for the box to be closed"
    program.screenshot("error-parm")
    code, _ = program.driver("command", hwnd, "1")
    assert code == 0, "could not press OK"
    wait_for(lambda: proc.poll() is not None, timeout=15, what="the process to end after OK")
    assert proc.returncode == 0
