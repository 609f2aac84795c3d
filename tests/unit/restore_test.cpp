#include "clip/restore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/history_text.h"
#include "base/ini.h"
#include "clip/clipboard_file.h"
#include "image/dib.h"
#include "image/image_convert.h"
#include "image_test_support.h"
#include "platform/memory/memory_clipboard.h"
#include "platform/memory/memory_file_system.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

constexpr std::uint32_t kText = 1, kDib = 8, kUnicodeText = 13;

std::string Bytes(ClipboardPort& clipboard, std::uint32_t id) {
  ClipboardSession session(clipboard, 0);
  auto view = session.IsOpen() ? clipboard.GetData(id) : nullptr;
  return view ? std::string(reinterpret_cast<const char*>(view->Data()), view->Size()) : std::string();
}

std::vector<std::string> Names(ClipboardPort& clipboard) {
  CTextList names;
  CollectClipboardFormats(clipboard, names);
  std::vector<std::string> out;
  for (int i = 0; i < names.GetSize(); ++i) out.push_back(names.Get(i));
  return out;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
  for (const std::string& n : names)
    if (n == name) return true;
  return false;
}

class RestoreTest : public ::testing::Test {
 protected:
  void SetUp() override { test::SetClipboardState(*clipboard, {{kText, std::string("before\0", 7)}}); }

  RestoreResult Restore(const std::string& name, const std::string& memo = "备忘",
                        const std::string& iconFile = "C:\\icons\\a.ico", int iconIndex = 3) {
    RestoreContext context{*clipboard, view, HostFileSystem(), dir.path(), dir.path() + "tessaryn.ini", {}};
    return RestoreHistoryFile(context, RestoreRow{name, iconFile, iconIndex, memo}, state);
  }
  std::string Path(const std::string& name) const { return dir.path() + name; }
  void ExpectClipboardUntouched(const char* what) {
    EXPECT_EQ(Bytes(*clipboard, kText), std::string("before\0", 7)) << what;
  }
  std::vector<std::string> DirectoryNames() {
    std::vector<std::string> names;
    HostFileSystem().ListDirectory(dir.path(), names);
    std::sort(names.begin(), names.end());
    return names;
  }

  ScratchDir dir;
  std::unique_ptr<ClipboardPort> clipboard = test::MakePlatformClipboard();
  const ClipboardPort::Window view = test::ProgramWindow();  // the list view restores for its window
  CaptureState state;
};

TEST_F(RestoreTest, TextGoesBackAsBytesAndWideTextAndCountsAsTheLastText) {
  const std::string text = "粘贴 第一行\r\n說乗\\]";
  WriteBytes(Path("2099010112000000.spt"), text);
  ASSERT_EQ(Restore("2099010112000000.spt"), RestoreResult::kPlaced);
  EXPECT_EQ(Bytes(*clipboard, kText).substr(0, text.size() + 1), text + std::string(1, '\0'));
  const std::u16string wide = Cp936ToUtf16(text) + u'\0';
  EXPECT_EQ(Bytes(*clipboard, kUnicodeText).substr(0, wide.size() * 2),
            std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2))
      << "programs reading wide text get the same characters";
  EXPECT_EQ(state.lastText, text) << "the restored text must not be captured again";
  EXPECT_EQ(DirectoryNames(), std::vector<std::string>{"2099010112000000.spt"}) << "restoring writes no file";
}

std::string WideBytes(const std::u16string& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2) + std::string(2, '\0');
}

std::string Utf8(const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); }

// Texts kept as UTF-8 (by the program, or by another program that saved a
// history file with the mark) go back with every character as wide text,
// TEXT as close as code page 936 comes, and the last text as the capture
// would make it, so that the change the restore causes is no new item.
TEST_F(RestoreTest, TextsKeptAsUtf8GoBackWithEveryCharacter) {
  struct Case {
    std::string file;
    std::u16string wide;
    std::string text;      // TEXT's bytes; empty: the system's conversion of the characters
    std::string lastText;  // what a capture of the same characters keeps
    const char* what;
  };
  const std::string mark = "\xEF\xBB\xBF";
  const std::u16string mixed = u"你好 😀 한국어 ∑";
  const Case cases[] = {
      {mark + Utf8(u8"你好 😀 한국어 ∑"), mixed, "", mark + Utf8(u8"你好 😀 한국어 ∑"),
       "the program's own UTF-8 file"},
      {mark + Utf8(u8"记事本写的 notepad"), u"记事本写的 notepad", "记事本写的 notepad", "记事本写的 notepad",
       "another program's UTF-8 file of code page 936 text"},
      {"\xEF\xBB\xBF\xAA", u"锘开", "\xEF\xBB\xBF\xAA", "\xEF\xBB\xBF\xAA",
       "a code page 936 text that starts with the mark's bytes"},
  };
  for (const Case& c : cases) {
    WriteBytes(Path("2099010112000000.spt"), c.file);
    ASSERT_EQ(Restore("2099010112000000.spt"), RestoreResult::kPlaced) << c.what;
    EXPECT_EQ(Bytes(*clipboard, kUnicodeText).substr(0, c.wide.size() * 2 + 2), WideBytes(c.wide)) << c.what;
    const std::string text = c.text.empty() ? Utf16ToCp936(c.wide) : c.text;
    EXPECT_EQ(Bytes(*clipboard, kText).substr(0, text.size() + 1), text + std::string(1, '\0')) << c.what;
    if (c.file != c.text) {
      EXPECT_EQ(Bytes(*clipboard, kText).find(mark), std::string::npos) << c.what << ": TEXT is no UTF-8";
    }
    EXPECT_EQ(state.lastText, c.lastText) << c.what;
    EXPECT_EQ(state.lastText, MakeHistoryText(c.wide)) << c.what << ": the same as capturing it again";
  }
}

TEST_F(RestoreTest, WhatCannotBeRestoredLeavesTheClipboardAlone) {
  WriteBytes(Path("2099010112000000.txt"), "not history");
  WriteBytes(Path("2099010112000001.cbf"), "not a clipboard file");
  WriteBytes(Path("2099010112000002.gif"), "GIF89a broken");
  const char* cases[] = {"", "2099010112000000.txt", "2099010112000009.spt", "2099010112000009.cbf",
                         "2099010112000001.cbf", "2099010112000002.gif", "2099010112000009.jpg"};
  for (const char* name : cases) {
    EXPECT_EQ(Restore(name), RestoreResult::kNothing) << name;
    ExpectClipboardUntouched(name);
    EXPECT_FALSE(state.skipNextChange) << name << ": no change of ours is coming";
  }
  EXPECT_TRUE(state.lastText.empty()) << "a missing text file is not the last text";
  EXPECT_FALSE(HostFileSystem().Exists(Path("2099010112000002.gif.bmp"))) << "the temporary bitmap is removed";
}

TEST_F(RestoreTest, BmpFilesAreCheckedAndGoBackWithoutTheirFileHeader) {
  CDib dib;
  const auto rgb = test::MakeRgbPicture(5, 3, 7);
  ASSERT_TRUE(MakeDibFromRgb(rgb.data(), 5, 3, dib));
  ASSERT_TRUE(dib.Save(HostFileSystem(), Path("picture.bmp")));
  WriteBytes(Path("short.bmp"), "BM" + std::string(12, '\0'));
  WriteBytes(Path("other.bmp"), "XX" + std::string(40, '\0'));
  struct Case {
    const char* name;
    int result;
  };
  for (const Case& c : {Case{"missing.bmp", -1}, Case{"short.bmp", -2}, Case{"other.bmp", -4}}) {
    EXPECT_EQ(PutBmpFileOnClipboard(*clipboard, HostFileSystem(), Path(c.name), view), c.result) << c.name;
    ExpectClipboardUntouched(c.name);
  }
  const std::string file = ReadBytes(Path("picture.bmp"));
  EXPECT_EQ(PutBmpFileOnClipboard(*clipboard, HostFileSystem(), Path("picture.bmp"), view),
            static_cast<int>(file.size() - 14));
  EXPECT_EQ(Bytes(*clipboard, kDib), file.substr(14));

  MemoryClipboard refusing;
  refusing.failOpen = true;
  EXPECT_EQ(PutBmpFileOnClipboard(refusing, HostFileSystem(), Path("picture.bmp"), view), -5);
  refusing.failOpen = false;
  refusing.failAllocate = true;
  EXPECT_EQ(PutBmpFileOnClipboard(refusing, HostFileSystem(), Path("picture.bmp"), view), -6);
  EXPECT_EQ(PutTextOnClipboard(refusing, view, "x"), -2);
  refusing.failAllocate = false;
  refusing.failOpen = true;
  EXPECT_EQ(PutTextOnClipboard(refusing, view, "x"), -1);

  // A text whose length the result cannot give is refused before the
  // clipboard is opened (the view claims far more than it holds).
  const char few[] = "ab";
  SetUp();
  EXPECT_EQ(PutTextOnClipboard(*clipboard, view, std::string_view(few, (std::size_t{1} << 32) + 2)), -2);
  ExpectClipboardUntouched("a text of 4 GiB");
}

TEST_F(RestoreTest, OnlyTheBitmapTheReaderWouldTakeIsPlaced) {
  CDib dib;
  const int w = 5, h = 3;
  const auto rgb = test::MakeRgbPicture(w, h, 7);
  ASSERT_TRUE(MakeDibFromRgb(rgb.data(), w, h, dib));
  ASSERT_TRUE(dib.Save(HostFileSystem(), Path("picture.bmp")));
  const std::string file = ReadBytes(Path("picture.bmp"));
  const std::string bitmap = file.substr(14);
  const std::size_t rowSize = DibRowSize(24, w), pixels = 14 + 40;

  std::string topDown = file;
  topDown.replace(14 + 8, 4, std::string("\xFD\xFF\xFF\xFF", 4));  // height -3
  for (int y = 0; y < h; ++y) {
    topDown.replace(pixels + y * rowSize, rowSize, file.substr(pixels + (h - 1 - y) * rowSize, rowSize));
  }
  std::string core = "BM" + std::string(12, '\0') + std::string("\x0C\0\0\0\x05\0\x03\0\x01\0\x18\0", 12) +
                     std::string(3 * 16, '\x7F');
  std::string claimsMore = file;
  claimsMore.replace(14 + 4, 4, std::string("\x00\x10\x00\x00", 4));  // 4096 pixels wide over the same bytes
  std::string zeroWidth = file;
  zeroWidth.replace(14 + 4, 4, std::string(4, '\0'));
  const struct {
    const char* name;
    std::string bytes;
    int result;
    std::string placed;
  } cases[] = {
      {"trailing.bmp", file + "trailing bytes", static_cast<int>(bitmap.size()), bitmap},
      {"topdown.bmp", topDown, static_cast<int>(bitmap.size()), bitmap},
      {"core.bmp", core, -4, ""},
      {"claims-more.bmp", claimsMore, -4, ""},
      {"zero-width.bmp", zeroWidth, -4, ""},
      {"header-only.bmp", file.substr(0, 30), -4, ""},
  };
  for (const auto& c : cases) {
    SetUp();
    WriteBytes(Path(c.name), c.bytes);
    EXPECT_EQ(PutBmpFileOnClipboard(*clipboard, HostFileSystem(), Path(c.name), view), c.result) << c.name;
    if (c.result < 0) {
      ExpectClipboardUntouched(c.name);
    } else {
      EXPECT_EQ(Bytes(*clipboard, kDib), c.placed) << c.name << ": the bitmap as the reader holds it, and no more";
    }
  }
}

TEST_F(RestoreTest, GifAndJpegItemsGoBackAsBitmapsAndLeaveNoTemporaryFile) {
  CDib dib;
  const auto rgb = test::MakeRgbPicture(16, 8, 5);
  ASSERT_TRUE(MakeDibFromRgb(rgb.data(), 16, 8, dib));
  ASSERT_TRUE(dib.Save(HostFileSystem(), Path("source.bmp")));
  ASSERT_EQ(ConvertBmpToGif(HostFileSystem(), Path("source.bmp"), Path("2099010112000000.gif")), 0);
  ASSERT_EQ(ConvertBmpToJpeg(HostFileSystem(), Path("source.bmp"), Path("2099010112000001.jpg")), 0);
  HostFileSystem().Remove(Path("source.bmp"));
  for (const char* name : {"2099010112000000.gif", "2099010112000001.jpg"}) {
    ASSERT_EQ(Restore(name), RestoreResult::kPlaced) << name;
    CDib back;
    const std::string packed = Bytes(*clipboard, kDib);
    ASSERT_TRUE(back.Create(reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size())) << name;
    EXPECT_EQ(back.Width(), 16) << name;
    EXPECT_EQ(back.Height(), 8) << name;
  }
  EXPECT_EQ(DirectoryNames(), (std::vector<std::string>{"2099010112000000.gif", "2099010112000001.jpg"}))
      << "the temporary bitmaps are gone";
}

TEST_F(RestoreTest, EveryKindOfItemGoesBackOwnedByTheViewsWindow) {
  // Emptied without a window, the clipboard would have no owner and Windows
  // would refuse every format put on it afterwards.
  WriteBytes(Path("2099010112000000.spt"), "文本");
  CDib dib;
  const auto rgb = test::MakeRgbPicture(4, 4, 3);
  ASSERT_TRUE(MakeDibFromRgb(rgb.data(), 4, 4, dib));
  ASSERT_TRUE(dib.Save(HostFileSystem(), Path("2099010112000001.bmp")));
  ASSERT_EQ(ConvertBmpToGif(HostFileSystem(), Path("2099010112000001.bmp"), Path("2099010112000002.gif")), 0);
  const std::uint32_t own = clipboard->RegisterFormat("Kelvarion Test Format");
  test::SetClipboardState(*clipboard, {{own, "own"}});
  ASSERT_GT(WriteClipboardFile(*clipboard, HostFileSystem(), Path("2099010112000003.cbf"), 0, "m"), 0);

  struct Case {
    const char* name;
    std::uint32_t format;  // what the item puts on the clipboard
  };
  for (const Case& c : {Case{"2099010112000000.spt", kText}, Case{"2099010112000001.bmp", kDib},
                        Case{"2099010112000002.gif", kDib}, Case{"2099010112000003.cbf", own}}) {
    test::SetClipboardState(*clipboard, {{kText, std::string("another program's\0", 18)}});
    ASSERT_NE(clipboard->GetOwner(), view) << "the clipboard must start out as another program's";
    EXPECT_EQ(Restore(c.name), RestoreResult::kPlaced) << c.name;
    EXPECT_EQ(clipboard->GetOwner(), view) << c.name << ": the restored clipboard is not the view's";
    EXPECT_FALSE(Bytes(*clipboard, c.format).empty()) << c.name << ": nothing was put back";
  }
}

TEST_F(RestoreTest, ClipboardFilesPutBackWhatNoCopyAllowsWithTheMarker) {
  const std::uint32_t plain = clipboard->RegisterFormat("Kelvarion Test Format");
  const std::uint32_t secret = clipboard->RegisterFormat("My Private Data");
  test::SetClipboardState(*clipboard, {{plain, "\x01\x02"}, {secret, "pw"}});
  const std::string name = "2099010112000000.cbf";
  ASSERT_GT(WriteClipboardFile(*clipboard, HostFileSystem(), Path(name), 0, "旧备忘"), 0);
  test::SetClipboardState(*clipboard, {{kText, std::string("before\0", 7)}});

  ASSERT_EQ(Restore(name, "行 备忘", "C:\\图标\\a.ico", 4), RestoreResult::kPlaced);
  auto names = Names(*clipboard);
  EXPECT_TRUE(Has(names, "Kelvarion Test Format")) << "an ordinary format goes back";
  EXPECT_FALSE(Has(names, "My Private Data")) << "a private format stays out by default";
  EXPECT_EQ(Bytes(*clipboard, plain), "\x01\x02");
  const std::string marker = Bytes(*clipboard, clipboard->RegisterFormat(kMarkerFormatName));
  EXPECT_EQ(marker.substr(0, marker.find('\0')), "Kelvarion-1\r\nC:\\图标\\a.ico\r\n4\r\n行 备忘");
  EXPECT_TRUE(state.skipNextChange) << "the change the restore makes is the program's own";
  const std::string settings = dir.path() + "tessaryn.ini";
  EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), settings, "NoCopy", "MY PRIVATE DATA"), "1")
      << "the private default is written back";
  EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), settings, "NoCopy", "KELVARION TEST FORMAT"), "")
      << "an ordinary name writes nothing";

  // The user lets the private format back by hand.
  WriteIniString(HostFileSystem(), settings, "NoCopy", "MY PRIVATE DATA", "0");
  ASSERT_EQ(Restore(name), RestoreResult::kPlaced);
  EXPECT_EQ(Bytes(*clipboard, secret), "pw");
}

TEST_F(RestoreTest, AFailedClipboardFileRestoreDoesNotSwallowTheNextChange) {
  test::SetClipboardState(*clipboard, {{clipboard->RegisterFormat("Kelvarion Test Format"), "x"}});
  ASSERT_GT(WriteClipboardFile(*clipboard, HostFileSystem(), Path("2099010112000000.cbf"), 0, "m"), 0);
  MemoryClipboard refusing;
  refusing.failOpen = true;
  RestoreContext context{refusing, view, HostFileSystem(), dir.path(), dir.path() + "tessaryn.ini", {}};
  EXPECT_EQ(RestoreHistoryFile(context, RestoreRow{"2099010112000000.cbf", "", 0, "m"}, state),
            RestoreResult::kFailed);
  EXPECT_FALSE(state.skipNextChange) << "the clipboard did not change, so the user's next copy must be captured";
}

TEST(NoCopyMask, FirstCharacterOfEachValueAndThePrivateDefault) {
  ScratchDir dir;
  const std::string settings = dir.path() + "tessaryn.ini";
  WriteBytes(settings, "[NoCopy]\r\nALLOWED=0\r\nEMPTY=\r\nBLOCKED=1\r\nWORDY=yes please\r\nPRIVATE OK=0\r\n");
  CTextList names;
  for (const char* n : {"Allowed", "Empty", "Blocked", "Wordy", "Private OK", "Unknown", "x-private-y", "私密Private"})
    names.Add(n);
  EXPECT_EQ(BuildNoCopyMask(HostFileSystem(), settings, names), "001y0011");
  EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), settings, "NoCopy", "X-PRIVATE-Y"), "1");
  EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), settings, "NoCopy", "私密PRIVATE"), "1");
  EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), settings, "NoCopy", "PRIVATE OK"), "0") << "a set value is kept";
  CTextList keys;
  ReadIniSectionKeys(HostFileSystem(), settings, "NoCopy", keys);
  EXPECT_EQ(keys.GetSize(), 7) << "only the two private defaults were added";
}

// A clipboard file may claim 65,535 records: the settings file is read once
// and written at most once for all of them, however many defaults are new.
TEST(NoCopyMask, OneReadAndAtMostOneWriteForAllRecords) {
  MemoryFileSystem fs;
  const std::string settings = "C:\\Kelvarion\\Kelvarion.ini";
  fs.PutFile(settings, "[NoCopy]\r\nKNOWN=1\r\n[Setup]\r\nMainWindowTitle=Kelvarion\r\n");
  CTextList names;
  for (int i = 0; i < 300; ++i) names.Add("Private-" + std::to_string(i));
  for (int i = 0; i < 300; ++i) names.Add("known");
  names.Add("plain");
  names.Add(std::string("TEXT\0PRIVATE", 12));

  EXPECT_EQ(BuildNoCopyMask(fs, settings, names), std::string(600, '1') + "01");
  EXPECT_EQ(fs.WriteOpenCount(), 1) << "the settings file was written more than once";
  EXPECT_LE(fs.ReadOpenCount(), 2) << "the settings file was read once per record";
  IniEntries stored;
  ReadIniSectionValues(fs, settings, "NoCopy", stored);
  EXPECT_EQ(stored.size(), 301u) << "KNOWN and the 300 new defaults";
  EXPECT_EQ(ReadIniStringRaw(fs, settings, "NoCopy", "PRIVATE-299"), "1");
  EXPECT_EQ(ReadIniStringRaw(fs, settings, "NoCopy", "TEXT"), "")
      << "a name with a zero byte must not set the key its first part names";
  EXPECT_EQ(ReadIniStringRaw(fs, settings, "Setup", "MainWindowTitle"), "Kelvarion") << "other sections are kept";

  const int reads = fs.ReadOpenCount();
  EXPECT_EQ(BuildNoCopyMask(fs, settings, names), std::string(600, '1') + "01");
  EXPECT_EQ(fs.WriteOpenCount(), 1) << "nothing new to write the second time";
  EXPECT_EQ(fs.ReadOpenCount(), reads + 1);
}

TEST(NoCopyMask, SixtyFiveThousandPrivateNamesTakeOnePass) {
  MemoryFileSystem fs;
  const std::string settings = "C:\\Kelvarion\\Kelvarion.ini";
  CTextList names;
  for (int i = 0; i < 65535; ++i) names.Add("P" + std::to_string(i) + "-private");
  const std::string all(65535, '1');
  EXPECT_EQ(BuildNoCopyMask(fs, settings, names), all);
  EXPECT_EQ(BuildNoCopyMask(fs, settings, names), all) << "read back from the file";
  EXPECT_EQ(fs.WriteOpenCount(), 1);
}

}  // namespace
}  // namespace kelvarion
