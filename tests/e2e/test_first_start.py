"""The first start of Kelvarion for a computer and user sets up its files."""
from conftest import read_ini, wait_for

WM_CLOSE = 0x0010


def test_first_start_creates_local_and_history_directories_and_settings(program):
    proc = program.start()
    frame = program.main_window()

    program_ini = program.folder / "Kelvarion.ini"
    assert program_ini.exists(), "the program settings file beside the executable was not created"
    local = read_ini(program_ini).get("LOCALDIRECTORY", {})
    assert len(local) == 1, f"expected one entry for this computer and user, got {local}"
    (key, value), = local.items()
    computer, _, user = key.partition(".")
    assert computer and user, f"the entry is not named computer.user: {key}"
    assert value.endswith("\\"), "a directory path ends in a backslash"
    assert program.history_dir.is_dir(), "the history directory was not created"

    settings = program.settings().get("SETUP", {})
    for name, default in {"AUTOLOADDAYS": "1", "PAST_MENU": "20", "DIAPHANEITY": "255", "BACKUP": "Y",
                          "ALWAYSONTOP": "Y", "EDITER": "notepad.exe", "BMP_EDITER": "mspaint.exe",
                          "CBF_EDITER": "Kelvarion.exe", "HOTKEY": "112", "HOTKEYFLAGS": "2"}.items():
        assert settings.get(name) == default, f"{name} should have been written back as {default!r}, got {settings.get(name)!r}"
    assert settings.get("TEMPDIR", "").endswith("CPasteClipboard\\")
    program.screenshot("main-window-empty")

    program.post(frame, WM_CLOSE)
    wait_for(lambda: proc.poll() is not None, timeout=20, what="the program to end after WM_CLOSE")
    saved = program.settings().get("SETUP", {})
    assert saved.get("MAINSTATE") == "0" and saved.get("MAINWIDTH"), "placement is saved at close"
