#include "clip/history_file.h"

#include <gtest/gtest.h>

#include <string>

#include "base/history_text.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ScratchDir;
using test::WriteBytes;

// --- names ------------------------------------------------------------------

TEST(HistoryKind, OnlyTwentyCharacterNamesWithAKnownLowerCaseEnding) {
  struct Case {
    const char* name;
    HistoryKind kind;
  };
  const Case cases[] = {
      {"2024010212304501.spt", HistoryKind::kText},
      {"2024010212304501.bmp", HistoryKind::kBmp},
      {"2024010212304501.gif", HistoryKind::kGif},
      {"2024010212304501.jpg", HistoryKind::kJpg},
      {"2024010212304501.cbf", HistoryKind::kClipboardFile},
      {"20240102123045012.spt", HistoryKind::kNone},  // 17 digits: 21 characters
      {"202401021230450.spt", HistoryKind::kNone},    // 19 characters
      {"2024010212304501.SPT", HistoryKind::kNone},   // endings compare byte for byte
      {"2024010212304501.Cbf", HistoryKind::kNone},
      {"2024010212304501.txt", HistoryKind::kNone},
      {"2024010212304501spt.", HistoryKind::kNone},
      {"", HistoryKind::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetHistoryKind(c.name), c.kind) << "kind of \"" << c.name << "\"";
  }
}

// --- row texts --------------------------------------------------------------

TEST(RowText, FoldsLineEndsTabsAndBlankRunsAndCutsAfter255Bytes) {
  struct Case {
    std::string text;
    std::string row;
    const char* what;
  };
  const std::string x255(255, 'x');
  const Case cases[] = {
      {"a\r\n\r\nb\tc", "a b c", "line ends and tab"},
      {"a  \t \r\n  b", "a b", "a run of mixed blanks"},
      {"  ", " ", "blanks only"},
      {"a\nb\rc", "a\nb\rc", "lone line feeds and returns stay"},
      {"粘贴\t板", "粘贴 板", "Chinese around a tab"},
      {"", "", "empty"},
      {x255, x255, "exactly 255 bytes is not cut"},
      {std::string(300, 'x'), x255 + "...", "300 bytes"},
      // The cut is made before folding: 255 bytes of "a " fold to far fewer.
      {std::string(200, ' ') + std::string(100, 'y'), " " + std::string(55, 'y') + "...", "blanks before the cut"},
      // 254 bytes and then a double-byte character: the cut must not split it.
      {std::string(254, 'z') + "板板", std::string(254, 'z') + "...", "a character across the cut"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeRowText(c.text), c.row) << c.what;
  }
}

TEST(RowText, FoldTextKeepsTheWholeText) {
  std::string memo = std::string(300, 'm') + "\r\n\t end";
  EXPECT_EQ(FoldText(memo), std::string(300, 'm') + " end") << "a memo is folded but never cut";
  EXPECT_EQ(FoldText("a\r\n\r\nb\tc"), "a b c");
}

TEST(PreviewText, ReadsTheFirst255BytesOfTheFile) {
  ScratchDir dir;
  struct Case {
    std::string bytes;
    std::string preview;
    const char* what;
  };
  const Case cases[] = {
      {"", "", "an empty file gives an empty row"},
      {std::string(254, 'p'), std::string(254, 'p'), "254 bytes"},
      {std::string(255, 'p'), std::string(255, 'p') + "...", "a file of exactly 255 bytes counts as cut"},
      {std::string(300, 'p'), std::string(255, 'p') + "...", "300 bytes"},
      {"第一行\r\n第二行\t完", "第一行 第二行 完", "Chinese lines"},
      {std::string("a\0b", 3), std::string("a\0b", 3), "a zero byte is kept as read"},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string path = dir.path() + "f" + std::to_string(n++) + ".spt";
    WriteBytes(path, c.bytes);
    EXPECT_EQ(MakePreviewText(HostFileSystem(), path), c.preview) << c.what;
  }
  EXPECT_EQ(MakePreviewText(HostFileSystem(), dir.path() + "missing.spt"), "") << "a missing file";
}

std::string Utf8(const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); }
const std::string kMark = "\xEF\xBB\xBF";

// A text kept as UTF-8 shows in the same form, cut by columns (ASCII one,
// any other character two); a file starts to count as UTF-8 only when all of
// it is, however far past the row text the fault lies.
TEST(PreviewText, UTF8FilesShowInTheirOwnFormAndOnlyWhenWhollyValid) {
  ScratchDir dir;
  const std::string emoji = Utf8(u8"😀");
  const std::string longAscii(300, 'u');
  struct Case {
    std::string bytes;
    std::string preview;
    const char* what;
  };
  const Case cases[] = {
      {kMark + Utf8(u8"你好\r\n😀\t한국어 ∑"), kMark + Utf8(u8"你好 😀 한국어 ∑"), "folded, every character kept"},
      {kMark + longAscii, kMark + std::string(255, 'u') + "...", "cut at 255 columns"},
      // 127 emoji are 254 columns; the 128th would make 256.
      {kMark + [&] { std::string t; for (int i = 0; i < 300; ++i) t += emoji; return t; }(),
       kMark + [&] { std::string t; for (int i = 0; i < 127; ++i) t += emoji; return t; }() + "...",
       "a character is never split, even where the start read ends inside one"},
      // Code page 936 ("锘縳yyy...啊"): its first 255 bytes alone would read
      // as UTF-8, so the row holds their characters as UTF-8.
      {kMark + "x" + std::string(5000, 'y') + "\xB0\xA1", kMark + Utf8(u8"锘縳") + std::string(251, 'y') + "...",
       "invalid far past the row text"},
      {kMark, kMark, "the mark alone"},
      {"\xEF\xBB\xBF\xAA", "\xEF\xBB\xBF\xAA", "code page 936 text starting with the mark's bytes"},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string path = dir.path() + "u" + std::to_string(n++) + ".spt";
    WriteBytes(path, c.bytes);
    const std::string preview = MakePreviewText(HostFileSystem(), path);
    EXPECT_EQ(preview, c.preview) << c.what;
    EXPECT_EQ(MakeRowText(c.bytes), c.preview) << c.what << ": the row of a new capture is the same";
  }
}

}  // namespace
}  // namespace kelvarion
