"""Texts with characters code page 936 lacks are kept whole: in the history
file, in the list, in the paste menu and when they are put back."""
import subprocess

from conftest import wait_for

MENU_CLASS = "#32768"
MARK = b"\xef\xbb\xbf"
MIXED = "你好 😀 한국어 ∑"


def choose_from_menu(program, *keys):
    program.send_keys("ctrl+f1")
    menu = program.wait_window(cls=MENU_CLASS, timeout=10)
    program.screenshot("paste-menu-lossless")
    program.send_keys(*keys)
    assert program.wait_gone(menu), "the menu stayed open after the choice"


def test_a_text_outside_code_page_936_comes_back_exactly(program):
    program.write_setting("AutoPaste", "1")
    program.start()
    program.main_window()
    program.set_text(MIXED)
    program.wait_rows(program.history_list(), 1)
    chinese = "你好，世界 ∑"
    program.set_text(chinese)
    program.wait_rows(program.history_list(), 2)

    files = program.history_files(".spt")
    assert len(files) == 2, files
    assert (program.history_dir / files[0]).read_bytes() == MARK + MIXED.encode("utf-8"), \
        "a text code page 936 cannot hold is kept as UTF-8 behind the mark"
    assert (program.history_dir / files[1]).read_bytes() == chinese.encode("gbk"), \
        "a text code page 936 holds keeps its code page 936 bytes"
    assert program.history_rows() == [chinese, MIXED]
    program.screenshot("main-window-lossless")

    notepad = subprocess.Popen(["wine", "notepad"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    program.processes.append(notepad)
    window = program.wait_window(cls="Notepad")
    edit = program.find_child(window, cls="Edit", timeout=10)
    program.foreground(window)
    choose_from_menu(program, "2")
    wait_for(lambda: program.window_text(edit) == MIXED, timeout=10, what="the whole text pasted into notepad")
    assert program.get_text() == MIXED
    program.screenshot("paste-into-notepad-lossless")
    # The restore's own change is no new item, and the same text copied again
    # is a repeat of it.
    program.set_text(MIXED)
    program.set_text("下一条")
    program.wait_rows(program.history_list(), 3)
    assert program.history_rows() == ["下一条", chinese, MIXED]


def test_a_file_another_program_saved_with_the_mark_lists_and_restores(program):
    program.history_dir.mkdir(parents=True, exist_ok=True)
    outside = "记事本保存的 UTF-8 😀"
    (program.history_dir / "2099010112000000.spt").write_bytes(MARK + outside.encode("utf-8"))
    program.start()
    program.wait_rows(program.history_list(), 1)
    assert program.history_rows() == [outside]
    program.clear()
    choose_from_menu(program, "1")
    program.wait_clipboard_text(outside)
    text = program.get_format(1)
    assert text is not None and MARK not in text, "TEXT holds code page 936 bytes, not the file's UTF-8"
    assert text.startswith("记事本保存的 UTF-8 ".encode("gbk")), text


def test_a_copied_text_outside_code_page_936_is_found_whole_in_the_archive(program):
    from conftest import WM_CLOSE
    from test_search_window import SearchWindow

    program.start()
    main = program.main_window()
    program.set_text(MIXED)
    program.wait_rows(program.history_list(), 1)
    program.post(main, WM_CLOSE)
    program.wait_gone(main)
    # Named as if copied years ago: the next start moves it into the archive.
    [name] = program.history_files(".spt")
    old = program.history_dir / "2020010112000000.spt"
    (program.history_dir / name).rename(old)
    program.start()
    main = program.main_window()
    database = program.local_dir / "tessaryn.mdb"
    wait_for(lambda: not old.exists() and database.exists(), timeout=30, what="the archive to take the old text")
    program.post(main, WM_CLOSE)
    program.wait_gone(main)

    program.start("/F")
    window = SearchWindow(program)
    window.type_search("你好")
    node, hits = window.wait_search("你好", 1)
    assert [t for _, t in hits] == [MIXED], "the hit's label is the whole text"
    assert window.select(hits[0][0]) == MIXED, "the text pane shows it exactly as it was copied"
