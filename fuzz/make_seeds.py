#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets that read the program's own
formats (fuzz/corpus/<target>/): small sound inputs of each kind and a few
broken ones, so that fuzzing starts from what the readers really meet.
Run it from anywhere; it rewrites only the corpora named below."""
import struct
from pathlib import Path

FUZZ = Path(__file__).resolve().parent
CORPUS = FUZZ / "corpus"


def gbk(text):
    return text.encode("gbk")


def fdp_string(text):
    """A string as FuzzedDataProvider's ConsumeRandomLengthString reads it:
    a backslash doubled, and ended by a backslash and another byte."""
    raw = text if isinstance(text, bytes) else gbk(text)
    return raw.replace(b"\\", b"\\\\") + b"\\x"


def write(target, seeds):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)


# --- clipboard files ---------------------------------------------------------

def cbf(records, memo):
    body = b""
    for name, ident, data in records:
        raw = name if isinstance(name, bytes) else gbk(name)
        body += struct.pack("<I", len(raw)) + raw + struct.pack("<II", ident, len(data)) + data
    text = gbk(memo)
    return struct.pack("<II", 0x10000 + len(records), 8 + len(body)) + body + struct.pack("<I", len(text) + 1) + text + b"\0"


def packed_dib_24(width, height):
    row = (width * 3 + 3) // 4 * 4
    pixels = bytes((x * 37 + y * 11) & 0xFF for y in range(height) for x in range(row))
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0) + pixels


text_record = ("UNICODETEXT", 13, "正文".encode("utf-16-le") + b"\0\0")
write("clipboard_file_fuzz", {
    "text_and_custom.cbf": cbf([text_record, ("Kelvarion Test Format", 0xC100, b"\x01\x02\x03")], "记事本 - 会议纪要"),
    "no_records.cbf": cbf([], "空"),
    "handle_and_empty.cbf": cbf([("BITMAP", 2, b""), ("METAFILEPICT", 3, b""), ("Empty", 0xC101, b"")], ""),
    "long_name.cbf": cbf([("N" * 300, 0xC102, b"data"), text_record], "long"),
    "memo_lines_dib.cbf": cbf([("DIB", 8, packed_dib_24(3, 2)), text_record], "第一行\r\n第二行"),
    "marker.cbf": cbf([text_record, ("Kelvarion-marker-format", 0xC103,
                                     gbk("Kelvarion-1\r\nc:\\icons\\set.dll\r\n3\r\n备忘") + b"\0")], "备忘"),
    "truncated.cbf": cbf([text_record, ("Kelvarion Test Format", 0xC100, b"\x01\x02\x03")], "cut")[:40],
})

# --- settings files ------------------------------------------------------------

def ini_seed(section, key, value, other, contents):
    return fdp_string(section) + fdp_string(key) + fdp_string(value) + fdp_string(other) + gbk(contents)


write("ini_fuzz", {
    "tessaryn.ini": ini_seed("Setup", "ListenClipboard", "Y", "MainX",
                             "[Setup]\r\nAutoLoadDays=1\r\nPast_Menu=20\r\nListenClipboard=N\r\nMainX=-50\r\n"
                             "[MenuText]\r\n退出(&Q)=退出(&Q)\r\n"),
    "kelvarion.ini": ini_seed("LocalDirectory", "PC.user", "C:\\Kelvarion\\user\\", "NoCopy",
                              "[LocalDirectory]\r\nPC.user=C:\\Kelvarion\\user\\\r\n[NoCopy]\r\n"
                              "SOME PRIVATE FORMAT=1\r\n"),
    "connect.ini": ini_seed("范例-打开&C盘", "目录", "c:\\", "密码",
                            "[范例-打开&C盘]\r\n目录=c:\\\r\n用户名=\r\n密码=\r\n[-]\r\n"
                            "[范例-打开网络上的目录]\r\n目录=\\\\server\\share\r\n"),
    "quirks.ini": ini_seed("s", "k", " \"v\" ", "說",
                           "[s]\r\nk = \"quoted\" \r\n[s]\r\nk=2\n; comment\r\n[說]\r\n乗=1\r\n"
                           "[unclosed\r\nx=1\r\n=novalue\r\nnoequals\r\n[t]"),
    "format_list.ini": ini_seed("ICON", "HTML Format,TEXT", "c:\\icons\\set.dll,3", "BITMAP,DIB,MAX",
                                "[ICON]\r\nHTML Format,TEXT=c:\\icons\\set.dll,3\r\n"
                                "BITMAP,DIB,MAX=c:\\program files\\kelvarion\\kelvarion.exe,4\r\n"),
})

# --- the clipboard's file lists --------------------------------------------------

def dropfiles(paths, wide=True, offset=20, end=True):
    body = b""
    for p in paths:
        body += p.encode("utf-16-le") + b"\0\0" if wide else gbk(p) + b"\0"
    if end:
        body += b"\0\0" if wide else b"\0"
    return struct.pack("<IiiII", offset, 0, 0, 0, 1 if wide else 0) + body


two = ["C:\\windows\\win.ini", "C:\\中文目录\\说明 文件.txt"]
write("drop_files_fuzz", {
    "wide.bin": dropfiles(two),
    "narrow.bin": dropfiles(two, wide=False),
    "no_end.bin": dropfiles(two, end=False),
    "offset_past_end.bin": dropfiles(two, offset=4096),
    "offset_in_header.bin": dropfiles(two, offset=8),
    "long_path.bin": dropfiles(["C:\\" + "长" * 600 + ".txt"]),
    "empty_list.bin": dropfiles([]),
})

# --- the marker ------------------------------------------------------------------

write("marker_fuzz", {
    "whole.txt": gbk("Kelvarion-1\r\nc:\\icons\\set.dll\r\n3\r\n会议纪要\r\n第二行"),
    "first_line_only.txt": b"Kelvarion-1",
    "empty_memo.txt": gbk("Kelvarion-1\r\nc:\\program files\\kelvarion\\kelvarion.exe\r\n-2\r\n"),
    "trail_bytes.txt": gbk("Kelvarion-1\r\nc:\\說乗\\icon.ico\r\n99999999999\r\n說") + b"\x81",
    "other.txt": b"Kelvarion-2\r\nx\r\n1\r\nmemo",
})

# --- code page texts ---------------------------------------------------------------

write("codepage_fuzz", {
    "chinese.txt": gbk("粘贴板历史 第二行\r\n說乗\\]|[ mixed ASCII 123"),
    "euro_and_symbols.txt": b"\x80 \xa1\xa4 \xa1\xaa \xa8\xbf",
    "invalid.txt": b"ok \xff\xfe \x81\x20 \x81",
    "utf16.txt": "中文 text \U0001F600 end".encode("utf-16-le") + b"\x00\xd8",
    "utf8.txt": "中文 text \U0001F600 e\u0301".encode("utf-8") + b"\xc0\xaf\xed\xa0\x80",
})

# --- packed DIBs --------------------------------------------------------------------

def info(width, height, bits, compression=0, size_image=0, colors=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, size_image, 0, 0, colors, 0)


def core(width, height, bits):
    return struct.pack("<IHHHH", 12, width, height, 1, bits)


def table(count, stride=4):
    return b"".join(bytes([(i * 40) & 0xFF, (i * 90) & 0xFF, (i * 160) & 0xFF] + [0] * (stride - 3))
                    for i in range(count))


dibs = {name[:-4] + ".dib": data[14:] for name, data in
        ((p.name, p.read_bytes()) for p in sorted((CORPUS / "bmp_read_fuzz").glob("*.bmp")))}
rle8 = b"\x03\x01\x02\x02\x00\x00" + b"\x00\x02\x01\x00\x00\x03\x05\x06\x07\x00\x00\x01"
rle4 = b"\x04\x12\x00\x00" + b"\x00\x03\x34\x50\x00\x01"
dibs.update({
    "core1.dib": core(9, 2, 1) + table(2, 3) + b"\xaa\x80\x00\x00" * 2,
    "core8.dib": core(3, 2, 8) + table(256, 3) + b"\x00\x01\x02\x00" * 2,
    "core24.dib": core(2, 2, 24) + bytes(range(8)) * 2,
    "rle8.dib": info(4, 2, 8, 1, len(rle8), 4) + table(4) + rle8,
    "rle4.dib": info(4, 2, 4, 2, len(rle4), 16) + table(16) + rle4,
    "bitfields16.dib": info(3, 1, 16, 3) + struct.pack("<III", 0xF800, 0x07E0, 0x001F) + b"\x1f\x00\xe0\x07\x00\xf8\x00\x00",
    "bitfields32.dib": info(2, 1, 32, 3) + struct.pack("<III", 0xFF0000, 0xFF00, 0xFF) + bytes(range(8)),
    "few_colors8.dib": info(5, 1, 8, 0, 0, 3) + table(3) + b"\x00\x01\x02\x05\x01\x00\x00\x00",
    "top_down24.dib": info(1, -2, 24) + b"\x01\x02\x03\x00\x04\x05\x06\x00",
})
write("packed_dib_fuzz", dibs)

# --- "FormatList.ini" ----------------------------------------------------------------

def format_list_seed(names, icon_file, icon_index, contents):
    # Strings are taken from the front, integers from the back: the name
    # count is the last byte, the icon index the four before it.
    front = b"".join(fdp_string(n) for n in names) + fdp_string(icon_file)
    return front + gbk(contents) + struct.pack(">i", icon_index) + bytes([len(names)])


stored = ("[ICON]\r\nHTML Format,TEXT=c:\\icons\\set.dll,3\r\nRich Text Format,TEXT=c:\\foo, inc\\app.exe,2\r\n"
          "BITMAP,DIB,MAX=c:\\icons\\pic.ico,1\r\nDataObject,FileName=c:\\icons\\文件.ico\r\nEmpty=\r\n")
write("format_list_fuzz", {
    "stored.bin": format_list_seed(["HTML Format", "TEXT"], "C:\\Icons\\Set.DLL", 5, stored),
    "marker.bin": format_list_seed(["Kelvarion-marker-format", "DIB", "BITMAP"], "c:\\icons\\pic.ico", 1, stored),
    "odd_names.bin": format_list_seed(["[Odd", "it's", " blank "], "", 0, "[ICON]\r\n;comment=1\r\n[other]\r\nx=1\r\n"),
    "no_file.bin": format_list_seed(["UNICODETEXT", "TEXT", "OEMTEXT", "LOCALE"], "c:\\x.exe", 0, ""),
})

# --- command lines ---------------------------------------------------------------------

exe = '"C:\\Program Files\\Kelvarion\\Kelvarion.exe"'
write("command_line_fuzz", {
    "connect.txt": gbk(exe + ' /D "范例-打开&C盘"'),
    "archive.txt": gbk(exe + " /C202401011200"),
    "search.txt": gbk(exe + " /F"),
    "clipboard_file.txt": gbk(exe + ' "D:\\收藏\\Clip.CBF"'),
    "unquoted.txt": gbk("C:\\Tools\\Kelvarion.exe d:\\x\\a.cbf"),
    "bad_switch.txt": gbk(exe + " /X"),
    "slash_in_path.txt": gbk('"C:/Tools/Kelvarion.exe" /L'),
})
