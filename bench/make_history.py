#!/usr/bin/env python3
"""Fills a history folder with COUNT history files for the start-up timing:
stamped within the last day (so the list shows them all), four in five ".spt"
texts and every fifth a ".cbf" clipboard file of one of a few format sets.
Usage: make_history.py FOLDER COUNT"""
import os
import struct
import sys
import time


def stamp(seconds):
    total = int(round(seconds * 100))
    return time.strftime("%Y%m%d%H%M%S", time.localtime(total // 100)) + f"{total % 100:02d}"


def clipboard_file(memo, formats):
    """Header word (0x0001 high, record count low), memo offset, records of
    name length, name, identifier, data length, data; then the memo block."""
    records = b""
    for name, ident, data in formats:
        records += struct.pack("<I", len(name)) + name + struct.pack("<II", ident, len(data)) + data
    memo_bytes = memo.encode("gbk") + b"\0"
    head = struct.pack("<II", 0x00010000 | len(formats), 8 + len(records))
    return head + records + struct.pack("<I", len(memo_bytes)) + memo_bytes


FORMAT_SETS = [
    [(b"UNICODETEXT", 13, "富文本".encode("utf-16-le") + b"\0\0"), (b"Rich Text Format", 49300, b"{\\rtf1 x}")],
    [(b"HTML Format", 49400, b"<b>x</b>"), (b"TEXT", 1, b"x\0")],
    [(b"DIB", 8, b"\0" * 40), (b"Kelvarion Bench", 49500, b"\1\2\3")],
]


def main():
    folder, count = sys.argv[1], int(sys.argv[2])
    os.makedirs(folder, exist_ok=True)
    newest = time.time() - 60
    for i in range(count):
        moment = newest - i * 0.5
        if i % 5 == 4:
            name = stamp(moment) + ".cbf"
            data = clipboard_file(f"说明 {i}", FORMAT_SETS[i % len(FORMAT_SETS)])
        else:
            name = stamp(moment) + ".spt"
            data = f"历史文本 {i}\r\n\tsecond line of text number {i}".encode("gbk")
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


main()
