"""The history search window ("/F") over texts that the hidden archive
process ("/C", launched by the resident start) moved into the database."""
import time
from pathlib import Path

from conftest import MAIN_TITLE, WM_CLOSE, unescape, wait_for

CAPTION = MAIN_TITLE + " - 历史记录查找"
HINT = "%号为通配符,空格是多个条件的分隔符."
TVM_SELECTITEM = 0x110B
TVGN_CARET = 0x0009
WM_SYSCOMMAND = 0x0112
SC_MINIMIZE = 0xF020

LONG_TEXT = "北京" + "长文本的第一段," * 40 + "结尾在这里"
OLD_TEXTS = {
    "2020010112000000.spt": "北京的冬天很冷\r\n第二行",
    "2020010112000100.spt": "上海的夏天 it's hot",
    "2020010112000200.spt": LONG_TEXT,
    "2020010112000300.spt": "没有那个城市",
}


def tree_items(program, tree, top=False):
    """[(handle, depth, text)] of the result tree, depth first (top-level items only with top)."""
    out = program.must("tree-items", tree, *(["--top"] if top else []))
    return [(h, int(d), unescape(t)) for h, d, t in (line.split("\t", 2) for line in out.split("\n")[:-1])]


def edit_text(program, hwnd):
    return unescape(program.must("edit-text", hwnd)[:-1])


class SearchWindow:
    def __init__(self, program, timeout=30):
        self.program = program
        self.hwnd = program.wait_window(title=CAPTION, timeout=timeout)
        children = program.tree(self.hwnd)
        self.combo = next(h for h, p, c, t, v in children if c == "ComboBox")
        self.combo_edit = next(h for h, p, c, t, v in children if c == "Edit" and p == self.combo)
        self.tree = next(h for h, p, c, t, v in children if c == "SysTreeView32")
        self.pane = next(h for h, p, c, t, v in children if c == "Edit" and p == self.hwnd)

    def type_search(self, text):
        """Real keys into the combo's field: select what is there, type, Enter."""
        self.program.foreground(self.hwnd)
        left, top, right, bottom = self.program.rect(self.combo_edit)
        self.program.click((left + right) // 2, (top + bottom) // 2)
        self.program.send_keys("ctrl+a")
        self.program.send_keys("--text", text)
        self.program.send_keys("enter")

    def searches(self):
        return [(h, t) for h, d, t in tree_items(self.program, self.tree, top=True)]

    def wait_search(self, label, hits):
        """Waits for the search node of that label with all its hits; returns
        (node, [(hit node, label)])."""
        def done():
            items = tree_items(self.program, self.tree)
            tops = [i for i, (h, d, t) in enumerate(items) if d == 0 and t == label]
            if not tops:
                return None
            start = tops[-1]
            children = []
            for h, d, t in items[start + 1:]:
                if d == 0:
                    break
                children.append((h, t))
            return (items[start][0], children) if len(children) == hits else None
        return wait_for(done, timeout=20, what=f"the search {label!r} with {hits} hits")

    def select(self, node):
        self.program.send(self.tree, TVM_SELECTITEM, TVGN_CARET, node)
        return edit_text(self.program, self.pane)


# Characters code page 936 lacks: the history keeps such a text as UTF-8 behind its mark.
WIDE_TEXT = "首尔 서울 😀"
WIDE_NAME = "2020010112000400.spt"


def put_old_texts(program):
    program.history_dir.mkdir(parents=True, exist_ok=True)
    for name, text in OLD_TEXTS.items():
        (program.history_dir / name).write_bytes(text.encode("gbk"))
    (program.history_dir / WIDE_NAME).write_bytes(b"\xef\xbb\xbf" + WIDE_TEXT.encode("utf-8"))


def archive_with_resident_start(program):
    """The resident start finds the old files and launches the hidden archive."""
    put_old_texts(program)
    program.start()
    main = program.main_window()
    database = program.local_dir / "tessaryn.mdb"
    wait_for(lambda: not any((program.history_dir / n).exists() for n in [*OLD_TEXTS, WIDE_NAME]) and database.exists(),
             timeout=30, what="the archive process to move the old texts into the database")
    program.post(main, WM_CLOSE)
    program.wait_gone(main)


def test_archived_texts_are_found_with_count_and_full_text(program):
    archive_with_resident_start(program)
    proc = program.start("/F")
    window = SearchWindow(program)
    assert program.window_text(window.combo_edit) == HINT, "an empty history shows the hint"

    window.type_search("北京")
    node, hits = window.wait_search("北京", 2)
    assert [t for _, t in hits] == ["北京的冬天很冷  第二行", LONG_TEXT[:255]], \
        "hits in row order, each labelled with its first 255 characters, line breaks as blanks"
    assert window.select(node) == "找到2条符合条件的记录"
    assert window.select(hits[1][0]) == LONG_TEXT, "the text pane shows the whole item"
    assert window.select(hits[0][0]) == "北京的冬天很冷\r\n第二行"

    # Typing into the pane changes that node's text for as long as the window is open.
    program.foreground(window.hwnd)
    left, top, right, bottom = program.rect(window.pane)
    program.click(left + 20, top + 10)
    program.send_keys("ctrl+a")
    program.send_keys("--text", "改过的文字")
    program.sync(window.hwnd)
    wait_for(lambda: edit_text(program, window.pane) == "改过的文字", what="the typed text in the pane")
    assert window.select(node) == "找到2条符合条件的记录"
    assert window.select(hits[0][0]) == "改过的文字", "the edit stays with its node"

    # Several words, an apostrophe and mixed case; a search without hits.
    window.type_search("  it's   上海 ")
    node, hits = window.wait_search("IT'S  上海", 1)
    assert [t for _, t in hits] == ["上海的夏天 it's hot"]
    window.type_search("广州")
    node, hits = window.wait_search("广州", 0)
    assert window.select(node) == "找到0条符合条件的记录"
    window.type_search("首尔")
    node, hits = window.wait_search("首尔", 1)
    assert window.select(hits[0][0]) == WIDE_TEXT, "characters outside code page 936 show whole"
    assert [t for _, t in window.searches()] == ["北京", "IT'S  上海", "广州", "首尔"], "earlier searches stay"
    window.select(window.wait_search("北京", 2)[1][1][0])
    program.sync(window.hwnd)
    program.screenshot("search-window")

    program.post(window.hwnd, WM_CLOSE)
    wait_for(lambda: proc.poll() is not None, timeout=15, what="the search window to end")
    settings = program.settings()["FIND"]
    assert [settings.get(str(i)) for i in range(5)] == ["首尔", "广州", "IT'S  上海", "北京", ""], \
        "the history is saved newest first, the rest of the 20 places empty"


def test_search_history_survives_a_restart_and_a_choice_searches(program):
    archive_with_resident_start(program)
    program.write_setting("0", "北京", section="Find")
    program.write_setting("1", "  abc ", section="Find")
    program.start("/F")
    window = SearchWindow(program)
    entries = [unescape(l) for l in program.must("combo-items", window.combo).split("\n")[:-1]]
    assert entries == ["ABC", "北京"], "trimmed, upper-cased and sorted in the list"
    assert program.window_text(window.combo_edit) == "", "no hint once there is a history"

    # Down in the combo's field chooses the first entry of the list, which searches.
    program.foreground(window.hwnd)
    left, top, right, bottom = program.rect(window.combo_edit)
    program.click((left + right) // 2, (top + bottom) // 2)
    program.send_keys("down")
    node, hits = window.wait_search("ABC", 0)
    assert program.window_text(window.combo_edit) == "ABC"


def test_missing_database_gives_the_message_and_no_node(program):
    missing = program.folder / "nowhere" / "tessaryn.mdb"
    program.write_setting("MdbFile", "Z:" + str(missing).replace("/", "\\"))
    proc = program.start("/F")
    window = SearchWindow(program)
    window.type_search("abc")
    box = program.wait_window(cls="#32770", title="Kelvarion")
    texts = [t for h, p, c, t, v in program.tree(box) if c == "Static" and t]
    expected = ("    找不到历史记录数据库文件\"" + "Z:" + str(missing).replace("/", "\\") +
                "\",请确认您在主程序的设置中选择了\"将历史文件备份到数据库中\"\r\n\r\n    本功能仅用于查找历史数据,谢谢!")
    assert expected in texts, f"message box texts: {texts!r}"
    program.screenshot("search-missing-database")
    program.command(box, 1)
    program.wait_gone(box)
    assert window.searches() == [], "no node for a search without database"
    assert proc.poll() is None


def test_second_start_raises_the_first_window_and_ends(program):
    program.local_dir.mkdir(parents=True, exist_ok=True)
    first = program.start("/F")
    window = SearchWindow(program)
    program.post(window.hwnd, WM_SYSCOMMAND, SC_MINIMIZE)
    wait_for(lambda: program.rect(window.hwnd)[2] - program.rect(window.hwnd)[0] < 300 or
             program.rect(window.hwnd)[1] < -1000, timeout=10, what="the window to be minimised")
    second = program.start("/F")
    wait_for(lambda: second.poll() is not None, timeout=20, what="the second /F to end")
    assert second.returncode == 0
    assert first.poll() is None
    left, top, right, bottom = wait_for(
        lambda: (lambda r: r if r[2] - r[0] >= 300 and r[1] > -1000 else None)(program.rect(window.hwnd)),
        timeout=10, what="the first window to come back")
    # Activation follows the restore: there may be no foreground window for a moment.
    wait_for(lambda: program.run_driver("get-foreground")[1].strip() == window.hwnd, timeout=10,
             what="the first window in front")


TVM_GETCOUNT = 0x1105


def test_a_search_with_very_many_hits_keeps_the_window_answering(program):
    """A database another program made (no search index): the window builds
    the index once, then a one-character word found in every row is counted
    at once while the tree fills in batches and the window keeps answering."""
    import sqlite3
    rows = 500_000
    program.local_dir.mkdir(parents=True, exist_ok=True)
    database = program.local_dir / "tessaryn.mdb"
    with sqlite3.connect(database) as db:
        db.execute("CREATE TABLE tessaryn([filename] VARCHAR(255), [filememo] TEXT, [filetime] DATETIME, "
                   "[filelen] INTEGER)")
        db.executemany("INSERT INTO tessaryn(filename, filememo, filelen) VALUES (?, ?, ?)",
                       ((f"2020{i:012d}", f"第{i}条的记录", 12) for i in range(rows)))
    proc = program.start("/F")
    window = SearchWindow(program)
    window.type_search("的")
    node = wait_for(lambda: next((h for h, t in window.searches() if t == "的"), None), timeout=60,
                    what="the search node")
    wait_for(lambda: window.select(node) == f"找到{rows}条符合条件的记录", timeout=120, what="the count")
    # From the count on, the tree fills while kdriver keeps sending messages
    # to the window and notes the longest wait for an answer.
    code, out = program.driver("answer-times", window.hwnd, window.tree, rows + 1, "--timeout", 300, timeout=400)
    longest_ms, answers, seconds = out.split()
    print(f"filled {rows} hits in {float(seconds):.1f} s after the count; {answers} answers, "
          f"the longest after {longest_ms} ms")
    assert code == 0, "every hit gets its node"
    assert int(longest_ms) < 500, f"the window answered only after {longest_ms} ms while filling"
    assert proc.poll() is None


def test_about_command_opens_the_about_box(program):
    # Nobody listens on port 9 of this machine: the box opens at once.
    from conftest import write_ini_value
    write_ini_value(program.folder / "Kelvarion.ini", "Setup", "UpdateHost", "127.0.0.1:9")
    program.local_dir.mkdir(parents=True, exist_ok=True)
    program.start("/F")
    window = SearchWindow(program)
    program.command(window.hwnd, 57664)
    box = program.wait_window(title="关于 Kelvarion")
    program.command(box, 1)
    assert program.wait_gone(box)
    program.sync(window.hwnd)
