"""The first start of Kelvarion for a computer and user sets up its files."""
import re


def read_ini(path):
    """Sections and keys of an ini file in code page 936, names upper-cased."""
    sections, current = {}, None
    for line in path.read_bytes().decode("gbk").split("\r\n"):
        m = re.match(r"^\[(.*)\]$", line.strip())
        if m:
            current = sections.setdefault(m.group(1).upper(), {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current[key.strip().upper()] = value.strip()
    return sections


def test_first_start_creates_local_and_history_directories_and_settings(program):
    result = program.run()
    assert result.returncode == 0

    program_ini = program.folder / "Kelvarion.ini"
    assert program_ini.exists(), "the program settings file beside the executable was not created"
    local = read_ini(program_ini).get("LOCALDIRECTORY", {})
    assert len(local) == 1, f"expected one entry for this computer and user, got {local}"
    (key, value), = local.items()
    computer, _, user = key.partition(".")
    assert computer and user, f"the entry is not named computer.user: {key}"
    assert value.endswith("\\"), "a directory path ends in a backslash"

    local_dir = program.folder / user.lower()
    found = [d for d in program.folder.iterdir() if d.is_dir() and d.name.lower() == user.lower()]
    assert found, f"the local directory for {user} was not created beside the executable"
    local_dir = found[0]
    assert (local_dir / "CPasteClipboard").is_dir(), "the history directory was not created"

    settings = read_ini(local_dir / "tessaryn.ini").get("SETUP", {})
    for key, default in {"AUTOLOADDAYS": "1", "PAST_MENU": "20", "DIAPHANEITY": "255", "BACKUP": "Y",
                         "ALWAYSONTOP": "Y", "EDITER": "notepad.exe", "BMP_EDITER": "mspaint.exe",
                         "CBF_EDITER": "Kelvarion.exe"}.items():
        assert settings.get(key) == default, f"{key} should have been written back as {default!r}, got {settings.get(key)!r}"
    assert settings.get("TEMPDIR", "").endswith("CPasteClipboard\\")

    # A second start finds everything in place and changes nothing.
    before = (local_dir / "tessaryn.ini").read_bytes()
    assert program.run().returncode == 0
    assert (local_dir / "tessaryn.ini").read_bytes() == before
