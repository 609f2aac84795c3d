#include "clip/capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/dbcs.h"
#include "base/file_utils.h"
#include "base/history_text.h"
#include "base/ini.h"
#include "base/strings.h"
#include "clip/clipboard_file.h"
#include "clip/format_list.h"
#include "history/history_rows.h"
#include "platform/memory/memory_clipboard.h"
#include "platform/memory/memory_file_system.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

constexpr char kExe[] = "C:\\程序\\Kelvarion.exe";

std::string U32(std::uint32_t v) {
  return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 24)};
}

std::string Wide(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes + std::string(2, '\0');
}

std::string Z(const std::string& text) { return text + std::string(1, '\0'); }

// A DROPFILES block as file managers put it on the clipboard.
std::string DropNarrow(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& p : paths) list += Z(p);
  return U32(20) + U32(0) + U32(0) + U32(0) + U32(0) + list + std::string(1, '\0');
}

std::string DropWide(const std::vector<std::u16string>& paths) {
  std::string list;
  for (const std::u16string& p : paths) list += Wide(p);
  return U32(20) + U32(0) + U32(0) + U32(0) + U32(1) + list + std::string(2, '\0');
}

using Format = test::ClipboardFormat;
constexpr auto SetClipboard = test::SetClipboardState;

class FixedClock : public Clock {
 public:
  ClockReading Now() override { return reading; }
  ClockReading reading{std::time(nullptr), 120};
};

struct AddedRow {
  std::string text, fileName, iconFile;
  int iconIndex, type;
};

class RecordingSink : public HistorySink {
 public:
  int AddHistoryRow(const std::string& text, const std::string& fileName, const std::string& iconFile, int iconIndex,
                    int type) override {
    rows.push_back({text, fileName, iconFile, iconIndex, type});
    return 0;
  }
  std::vector<AddedRow> rows;
};

// Records every path opened for writing, and can refuse them.
class WatchedFileSystem : public FileSystem {
 public:
  explicit WatchedFileSystem(FileSystem& real) : real_(real) {}
  std::vector<std::string> writtenPaths;
  std::vector<std::string> existsPaths;  // every path asked about
  bool failWrites = false;

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    if (mode != OpenMode::kRead) {
      writtenPaths.push_back(path);
      if (failWrites) return nullptr;
    }
    return real_.Open(path, mode);
  }
  bool Exists(const std::string& path) override {
    existsPaths.push_back(path);
    return real_.Exists(path);
  }
  bool IsDirectory(const std::string& path) override { return real_.IsDirectory(path); }
  bool MakeDirectory(const std::string& path) override { return real_.MakeDirectory(path); }
  bool ListDirectory(const std::string& directory, std::vector<std::string>& names) override {
    return real_.ListDirectory(directory, names);
  }
  bool Rename(const std::string& from, const std::string& to) override { return real_.Rename(from, to); }
  bool RenameNew(const std::string& from, const std::string& to) override { return real_.RenameNew(from, to); }
  bool Remove(const std::string& path) override { return real_.Remove(path); }

 private:
  FileSystem& real_;
};

// One capture setting: a history directory inside a scratch directory that
// does not exist yet, a clock, a sink and the view's state.
class CaptureTest : public ::testing::Test {
 protected:
  explicit CaptureTest(std::unique_ptr<ClipboardPort> port = test::MakePlatformClipboard())
      : clipboard_(std::move(port)),
        files_(HostFileSystem()),
        formats_(HostFileSystem(), kExe, scratch_.path()),
        context_{*clipboard_, files_, clock_, scratch_.path() + "CPasteClipboard\\", 0, sink_, stamps_} {
    formats_.LoadFormatList();
  }

  ClipboardPort& clipboard() { return *clipboard_; }
  const std::string& historyDirectory() const { return context_.historyDirectory; }

  // History file names in the directory, ascending; other entries are left out.
  std::vector<std::string> HistoryFiles() {
    std::vector<std::string> names;
    HostFileSystem().ListDirectory(historyDirectory(), names);
    std::vector<std::string> history;
    for (const std::string& n : names) {
      if (GetHistoryKind(n) != HistoryKind::kNone) history.push_back(n);
    }
    std::sort(history.begin(), history.end());
    return history;
  }
  // The files in the history folder and in its temporary folder, which
  // itself is no entry.
  std::vector<std::string> AllEntries() {
    std::vector<std::string> names, temporary;
    HostFileSystem().ListDirectory(historyDirectory(), names);
    names.erase(std::remove(names.begin(), names.end(), std::string(kTemporaryFolder)), names.end());
    HostFileSystem().ListDirectory(historyDirectory() + kTemporaryFolder, temporary);
    for (const std::string& name : temporary) names.push_back(std::string(kTemporaryFolder) + "\\" + name);
    return names;
  }
  std::string FileBytes(const std::string& name) { return ReadBytes(historyDirectory() + name); }

  void SetText(const std::string& text) { SetClipboard(clipboard(), {{1, Z(text)}}); }
  CaptureResult Capture() { return CaptureClipboardText(context_, state_); }
  CaptureResult CaptureAll() { return CaptureAllFormats(context_, state_, formats_, source_); }

  ScratchDir scratch_;
  std::unique_ptr<ClipboardPort> clipboard_;
  WatchedFileSystem files_;
  FixedClock clock_;
  RecordingSink sink_;
  CFormatListTable formats_;
  CHistoryStamps stamps_;
  CaptureContext context_;
  CaptureState state_;
  ClipboardSource source_{"C:\\Windows\\notepad.exe", "无标题 - 记事本"};
};

// The platform's clipboard, changed by "another program" just before the
// capture opens it for the given time: a password manager whose secret
// arrives while the capture is under way.
class ChangingClipboard : public ClipboardPort {
 public:
  explicit ChangingClipboard(std::unique_ptr<ClipboardPort> inner) : inner_(std::move(inner)) {}

  void ChangeAtOpen(int open, std::function<void(ClipboardPort&)> change) {
    opens_ = 0;
    changeAt_ = open;
    change_ = std::move(change);
  }
  void Disarm() { changeAt_ = 0; }

  bool Open(Window owner) override {
    if (++opens_ == changeAt_) change_(*inner_);
    return inner_->Open(owner);
  }
  Window GetOwner() override { return inner_->GetOwner(); }
  int CountFormats() override { return inner_->CountFormats(); }
  bool IsFormatAvailable(std::uint32_t id) override { return inner_->IsFormatAvailable(id); }
  void Close() override { inner_->Close(); }
  std::uint32_t EnumFormats(std::uint32_t previous) override { return inner_->EnumFormats(previous); }
  bool Empty() override { return inner_->Empty(); }
  std::unique_ptr<ClipDataView> GetData(std::uint32_t id) override { return inner_->GetData(id); }
  std::unique_ptr<ClipDataBlock> Allocate(std::size_t size) override { return inner_->Allocate(size); }
  bool SetData(std::uint32_t id, std::unique_ptr<ClipDataBlock> block) override {
    return inner_->SetData(id, std::move(block));
  }
  bool GetFormatName(std::uint32_t id, std::string& name) override { return inner_->GetFormatName(id, name); }
  std::uint32_t RegisterFormat(const std::string& name) override { return inner_->RegisterFormat(name); }

 private:
  std::unique_ptr<ClipboardPort> inner_;
  int opens_ = 0;
  int changeAt_ = 0;  // 0: never
  std::function<void(ClipboardPort&)> change_;
};

class ChangingCaptureTest : public CaptureTest {
 protected:
  ChangingCaptureTest() : CaptureTest(std::make_unique<ChangingClipboard>(test::MakePlatformClipboard())) {}
  ChangingClipboard& changing() { return static_cast<ChangingClipboard&>(clipboard()); }
};

// The same cases on the in-memory clipboard everywhere, where the exact set
// of formats matters (the real clipboard adds formats of its own).
class MemoryCaptureTest : public CaptureTest {
 protected:
  MemoryCaptureTest() : CaptureTest(std::make_unique<MemoryClipboard>()) {}
  MemoryClipboard& memory() { return static_cast<MemoryClipboard&>(clipboard()); }
};

// --- automatic text capture ---------------------------------------------------

TEST_F(CaptureTest, ABAMakesThreeItemsAndARepeatMakesNone) {
  const char* texts[] = {"A", "B", "A"};
  for (const char* text : texts) {
    SetText(text);
    EXPECT_EQ(Capture(), CaptureResult::kSaved) << "capturing " << text;
    clock_.reading.seconds += 1;
  }
  std::vector<std::string> files = HistoryFiles();
  ASSERT_EQ(files.size(), 3u) << "A, B, A must make three history files";
  ASSERT_EQ(sink_.rows.size(), 3u) << "and three rows";
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(FileBytes(files[i]), texts[i]) << "file " << files[i] << " holds the text, no terminator";
    EXPECT_EQ(sink_.rows[i].fileName, files[i]) << "row " << i << " names its file";
    EXPECT_EQ(sink_.rows[i].text, texts[i]);
    EXPECT_EQ(sink_.rows[i].iconFile, "") << "text rows leave the icon to the view";
    EXPECT_EQ(sink_.rows[i].iconIndex, 0);
    EXPECT_EQ(sink_.rows[i].type, 0);
  }
  EXPECT_EQ(state_.lastText, "A");

  SetText("A");
  EXPECT_EQ(Capture(), CaptureResult::kDuplicate) << "the same text again is no new item";
  EXPECT_EQ(HistoryFiles().size(), 3u);
  EXPECT_EQ(sink_.rows.size(), 3u);
}

TEST_F(CaptureTest, ChineseTextIsSavedByteForByte) {
  // Set as wide text and as code page 936 text: both must give the same bytes.
  const std::string expected = "粘贴板：中文测试\r\n第二行「乗」";
  SetClipboard(clipboard(), {{13, Wide(u"粘贴板：中文测试\r\n第二行「乗」")}});
  ASSERT_EQ(Capture(), CaptureResult::kSaved);
  SetClipboard(clipboard(), {{1, Z(expected + "!")}});
  clock_.reading.seconds += 1;
  ASSERT_EQ(Capture(), CaptureResult::kSaved);
  std::vector<std::string> files = HistoryFiles();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(FileBytes(files[0]), expected) << "wide clipboard text must be saved as code page 936";
  EXPECT_EQ(FileBytes(files[1]), expected + "!") << "code page 936 clipboard text must be saved unchanged";
  EXPECT_EQ(sink_.rows[0].text, "粘贴板：中文测试 第二行「乗」");
}

std::string Utf8(const char8_t* text) { return std::string(reinterpret_cast<const char*>(text)); }
const std::string kMark = "\xEF\xBB\xBF";

// Characters code page 936 lacks are kept whole, and texts that differ only
// in them are different texts.
TEST_F(CaptureTest, TextsOutsideCodePage936AreKeptWholeAndComparedWhole) {
  struct Step {
    std::u16string wide;
    CaptureResult result;
    std::string file;  // the bytes saved, when saved
  };
  const Step steps[] = {
      {u"你好 😀 한국어 ∑", CaptureResult::kSaved, kMark + Utf8(u8"你好 😀 한국어 ∑")},
      {u"你好 😀 한국어 ∑", CaptureResult::kDuplicate, ""},
      // Both would be "你好 ?" in code page 936: they were one repeat before.
      {u"你好 😁 한국어 ∑", CaptureResult::kSaved, kMark + Utf8(u8"你好 😁 한국어 ∑")},
      {u"锘緼", CaptureResult::kSaved, kMark + Utf8(u8"锘緼")},
      {u"锘好", CaptureResult::kSaved, "\xEF\xBB\xBA\xC3"},
  };
  std::size_t saved = 0;
  for (const Step& step : steps) {
    SetClipboard(clipboard(), {{13, Wide(step.wide)}});
    clock_.reading.seconds += 1;
    ASSERT_EQ(Capture(), step.result) << "step " << &step - steps;
    if (step.result != CaptureResult::kSaved) continue;
    ++saved;
    ASSERT_EQ(sink_.rows.size(), saved);
    const AddedRow& row = sink_.rows.back();
    EXPECT_EQ(FileBytes(row.fileName), step.file) << "step " << &step - steps;
    EXPECT_TRUE(HistoryTextToUtf16(row.text) == step.wide) << "step " << &step - steps << ": the row shows it all";
    EXPECT_EQ(state_.lastText, step.file);
  }
}

// Only TEXT (no wide text): the bytes are kept as they are, unless they would
// read back as UTF-8.
TEST_F(MemoryCaptureTest, NarrowTextThatWouldReadAsUtf8IsKeptAsItsCharacters) {
  SetClipboard(clipboard(), {{1, Z("\xEF\xBB\xBF\x41")}});
  ASSERT_EQ(Capture(), CaptureResult::kSaved);
  ASSERT_EQ(sink_.rows.size(), 1u);
  EXPECT_EQ(FileBytes(sink_.rows[0].fileName), kMark + Utf8(u8"锘緼"));
}

// Wide file names keep every character too, in the file list and in
// "粘贴文件名".
TEST_F(MemoryCaptureTest, WideFileNamesOutsideCodePage936AreKeptWhole) {
  const std::u16string first = u"C:\\문서\\a.txt", second = u"C:\\目录\\b.txt";
  SetClipboard(clipboard(), {{15, DropWide({first, second})}});
  ASSERT_EQ(CaptureClipboardFileNames(context_), CaptureResult::kSaved);
  ASSERT_EQ(sink_.rows.size(), 1u);
  EXPECT_TRUE(HistoryTextToUtf16(FileBytes(sink_.rows[0].fileName)) == first + u"\r\n" + second);
  EXPECT_TRUE(IsUtf8HistoryText(FileBytes(sink_.rows[0].fileName)));
}

TEST_F(CaptureTest, LongTextIsSavedWholeAndCutInTheRow) {
  std::string text(300, 'x');
  SetText(text);
  ASSERT_EQ(Capture(), CaptureResult::kSaved);
  ASSERT_EQ(sink_.rows.size(), 1u);
  EXPECT_EQ(sink_.rows[0].text, std::string(255, 'x') + "...") << "the row shows 255 bytes and \"...\"";
  EXPECT_EQ(FileBytes(sink_.rows[0].fileName), text) << "the file holds the whole text";
  EXPECT_EQ(state_.lastText, text);
}

TEST_F(CaptureTest, SkipNextChangeSwallowsExactlyOneChange) {
  state_.skipNextChange = true;
  SetText("restored");
  EXPECT_EQ(Capture(), CaptureResult::kSkipped);
  EXPECT_FALSE(state_.skipNextChange) << "the change must clear the flag";
  EXPECT_TRUE(HistoryFiles().empty()) << "the program's own change is not captured";
  SetText("copied later");
  EXPECT_EQ(Capture(), CaptureResult::kSaved) << "the first real copy after it is captured";
  EXPECT_EQ(HistoryFiles().size(), 1u);
}

TEST_F(CaptureTest, TwoCapturesInOneHundredthKeepBothFiles) {
  clock_.reading.milliseconds = 995;
  SetText("first");
  ASSERT_EQ(Capture(), CaptureResult::kSaved);
  SetText("second");
  ASSERT_EQ(Capture(), CaptureResult::kSaved);
  SetClipboard(clipboard(), {{1, Z("third")}, {clipboard().RegisterFormat("Kelvarion Test Format"), "x"}});
  ASSERT_EQ(CaptureAll(), CaptureResult::kSaved);

  std::vector<std::string> files = HistoryFiles();
  ASSERT_EQ(files.size(), 3u) << "no capture may overwrite another";
  const std::string stamp = MakeTimeStampName(clock_.reading.seconds, 995);
  const std::string next = MakeTimeStampName(clock_.reading.seconds + 1, 0);
  const std::string after = MakeTimeStampName(clock_.reading.seconds + 1, 10);
  EXPECT_EQ(files[0], stamp + ".spt");
  EXPECT_EQ(files[1], next + ".spt") << "the second capture takes the next hundredth";
  EXPECT_EQ(files[2], after + ".cbf") << "a clipboard file does not share a stamp with a text file either";
  EXPECT_EQ(FileBytes(files[0]), "first");
  EXPECT_EQ(FileBytes(files[1]), "second");
}

// New names are checked against the stamps the program knows, not the
// folder; a file that appears from outside under the very name a capture
// takes keeps its bytes, and the capture takes the next hundredth.
TEST_F(CaptureTest, NewNamesComeFromMemoryAndNeverReplaceAFileFromOutside) {
  clock_.reading.milliseconds = 500;
  const std::string stamp = MakeTimeStampName(clock_.reading.seconds, 500);
  const std::string next = MakeTimeStampName(clock_.reading.seconds, 510);
  const std::string later = MakeTimeStampName(clock_.reading.seconds, 520);
  stamps_.Add(stamp + ".gif");  // listed at start: its stamp is taken whatever the kind
  CreateDirectoryPath(HostFileSystem(), historyDirectory());
  WriteBytes(historyDirectory() + next + ".spt", "from outside");  // appeared after the listing
  ASSERT_EQ(FileBytes(next + ".spt"), "from outside");
  SetText("mine");
  ASSERT_EQ(Capture(), CaptureResult::kSaved);
  ASSERT_EQ(sink_.rows.size(), 1u);
  EXPECT_EQ(sink_.rows[0].fileName, later + ".spt");
  EXPECT_EQ(FileBytes(later + ".spt"), "mine");
  EXPECT_EQ(FileBytes(next + ".spt"), "from outside") << "a file from outside is never replaced";
  EXPECT_EQ(AllEntries().size(), 2u) << "no temporary file stays behind";
  for (const std::string& path : files_.existsPaths) {
    EXPECT_EQ(path.find('*'), std::string::npos) << "the folder was searched: " << path;
  }
  EXPECT_TRUE(stamps_.Has(next)) << "the name found taken is known from now on";
  EXPECT_TRUE(stamps_.Has(later));
}

TEST_F(CaptureTest, HistoryFilesAreWrittenUnderATemporaryNameFirst) {
  SetText("text");
  ASSERT_EQ(Capture(), CaptureResult::kSaved);
  SetClipboard(clipboard(), {{1, Z("all")}, {clipboard().RegisterFormat("Kelvarion Test Format"), "x"}});
  clock_.reading.seconds += 1;
  ASSERT_EQ(CaptureAll(), CaptureResult::kSaved);
  ASSERT_FALSE(files_.writtenPaths.empty());
  // Filled in the small folder of their own, so that a new name is looked
  // up among a few rather than among every history file.
  for (const std::string& path : files_.writtenPaths) {
    std::string name = path.substr(path.rfind('\\') + 1);
    EXPECT_EQ(GetHistoryKind(name), HistoryKind::kNone) << "written directly under a history file name: " << path;
    EXPECT_EQ(path.rfind(historyDirectory() + kTemporaryFolder + "\\", 0), 0u) << path;
  }
  EXPECT_EQ(AllEntries().size(), 2u) << "no temporary file may stay behind";
}

TEST_F(CaptureTest, APlainFileInTheWayOfTheTemporaryFolderStillLetsTheTextBeSaved) {
  CreateDirectoryPath(HostFileSystem(), historyDirectory());
  WriteBytes(historyDirectory() + kTemporaryFolder, "a file of the user's");
  SetText("text");
  ASSERT_EQ(Capture(), CaptureResult::kSaved);
  ASSERT_EQ(sink_.rows.size(), 1u);
  EXPECT_EQ(FileBytes(sink_.rows[0].fileName), "text");
  EXPECT_EQ(FileBytes(kTemporaryFolder), "a file of the user's");
  std::vector<std::string> names;
  HostFileSystem().ListDirectory(historyDirectory(), names);
  EXPECT_EQ(names.size(), 2u) << "no temporary file stays behind";
}

TEST_F(CaptureTest, UnwritableDirectoryGivesNoRowAndLeavesTheLastText) {
  // A directory path below a plain file can be neither created nor written.
  WriteBytes(scratch_.path() + "plain", "a file");
  context_.historyDirectory = scratch_.path() + "plain\\CPasteClipboard\\";
  state_.lastText = "before";
  SetText("lost?");
  EXPECT_EQ(Capture(), CaptureResult::kWriteFailed);
  EXPECT_TRUE(sink_.rows.empty()) << "a text that was not saved must get no row";
  EXPECT_EQ(state_.lastText, "before") << "a text that was not saved must not become the last text";

  SetClipboard(clipboard(), {{1, Z("all")}, {clipboard().RegisterFormat("Kelvarion Test Format"), "x"}});
  EXPECT_EQ(CaptureAll(), CaptureResult::kWriteFailed);
  EXPECT_TRUE(sink_.rows.empty()) << "a clipboard file that was not saved must get no row";
}

TEST_F(CaptureTest, FailedWriteLeavesNothingBehind) {
  files_.failWrites = true;
  SetText("text");
  EXPECT_EQ(Capture(), CaptureResult::kWriteFailed);
  EXPECT_TRUE(sink_.rows.empty());
  EXPECT_TRUE(AllEntries().empty()) << "neither a history file nor a temporary one may remain";
  EXPECT_EQ(state_.lastText, "");
}

// --- private content ----------------------------------------------------------

TEST_F(CaptureTest, ContentMarkedPrivateIsNeverWritten) {
  struct Case {
    const char* format;
    std::string bytes;
    bool isPrivate;
  };
  const Case cases[] = {
      {"ExcludeClipboardContentFromMonitorProcessing", "x", true},
      {"Clipboard Viewer Ignore", "x", true},
      {"CanIncludeInClipboardHistory", U32(0), true},
      {"CanIncludeInClipboardHistory", U32(1), false},
  };
  for (const Case& c : cases) {
    clock_.reading.seconds += 1;
    const std::size_t before = HistoryFiles().size();
    const std::string secret = std::string("secret ") + c.format + (c.isPrivate ? " private" : " allowed");
    SetClipboard(clipboard(), {{1, Z(secret)}, {clipboard().RegisterFormat(c.format), c.bytes}});
    ASSERT_EQ(CheckClipboardPrivacy(clipboard()), c.isPrivate ? 1 : 0) << c.format;
    if (c.isPrivate) {
      EXPECT_EQ(Capture(), CaptureResult::kPrivate) << "automatic capture with " << c.format;
      EXPECT_EQ(CaptureAll(), CaptureResult::kPrivate) << "capture of all formats with " << c.format;
      EXPECT_EQ(HistoryFiles().size(), before) << "private content was written with " << c.format;
      EXPECT_NE(state_.lastText, secret);
      EXPECT_EQ(state_.currentText, "") << "private text must not even be kept as scratch";
    } else {
      EXPECT_EQ(Capture(), CaptureResult::kSaved) << "a DWORD 1 allows recording";
      EXPECT_EQ(HistoryFiles().size(), before + 1);
    }
  }
}

TEST_F(ChangingCaptureTest, ASecretArrivingWhileACaptureRunsIsNeverSaved) {
  const std::uint32_t own = clipboard().RegisterFormat("Kelvarion Test Format");
  const std::uint32_t exclude = clipboard().RegisterFormat("ExcludeClipboardContentFromMonitorProcessing");
  // The secret may come before the capture first opens the clipboard, or at
  // any later open; whatever was checked must be what is saved.
  for (int open = 1; open <= 4; ++open) {
    for (bool all : {true, false}) {
      const std::string what = std::string(all ? "capture of all formats" : "automatic capture") +
                               ", the secret arriving at open " + std::to_string(open);
      const std::string shown = "public text " + std::to_string(open) + (all ? " all" : " automatic");
      SetClipboard(clipboard(), {{1, Z(shown)}, {own, "public bytes"}});
      changing().ChangeAtOpen(open, [&](ClipboardPort& inner) {
        SetClipboard(inner, {{1, Z("hunter2 password")}, {own, "hunter2 bytes"}, {exclude, "x"}});
      });
      // A history directory of its own for each case.
      context_.historyDirectory = scratch_.path() + std::to_string(open) + (all ? "all" : "text") + "\\";
      const CaptureResult result = all ? CaptureAll() : Capture();
      changing().Disarm();

      for (const std::string& name : AllEntries()) {
        EXPECT_EQ(FileBytes(name).find("hunter2"), std::string::npos) << what << ": the secret was saved in " << name;
      }
      EXPECT_EQ(state_.currentText.find("hunter2"), std::string::npos) << what << ": the secret was kept as scratch";
      if (result == CaptureResult::kSaved) {
        ASSERT_FALSE(sink_.rows.empty());
        EXPECT_NE(FileBytes(sink_.rows.back().fileName).find(shown), std::string::npos)
            << what << ": the saved item is not the state that was checked";
      } else {
        EXPECT_EQ(result, CaptureResult::kPrivate) << what;
      }
    }
  }
}

// --- capture of all formats ---------------------------------------------------

TEST_F(CaptureTest, PlainTextGoesTheTextWayEvenThroughCaptureOfAllFormats) {
  // The real clipboard adds OEMTEXT, UNICODETEXT and LOCALE to TEXT itself.
  auto setPlainText = [this](const std::string& text) {
    std::vector<Format> formats = {{1, Z(text)}};
    if (!test::PlatformClipboardIsReal()) {
      formats.push_back({7, Z(text)});
      formats.push_back({13, Wide(std::u16string(text.begin(), text.end()))});
      formats.push_back({16, U32(0x0804)});
    }
    SetClipboard(clipboard(), formats);
  };
  setPlainText("plain");
  EXPECT_EQ(CaptureAll(), CaptureResult::kSaved);
  std::vector<std::string> files = HistoryFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(GetHistoryKind(files[0]), HistoryKind::kText) << "plain text must become a .spt item";
  EXPECT_EQ(FileBytes(files[0]), "plain");
  EXPECT_EQ(state_.lastText, "plain");
  EXPECT_EQ(CaptureAll(), CaptureResult::kDuplicate) << "plain text goes the text way, repeat check and all";

  clock_.reading.seconds += 1;
  state_.skipNextChange = true;
  setPlainText("asked for");
  EXPECT_EQ(CaptureAll(), CaptureResult::kSaved) << "the user's request is not a change to skip";
  EXPECT_TRUE(state_.skipNextChange) << "the pending skip is left for the next clipboard change";
  EXPECT_EQ(HistoryFiles().size(), 2u);
}

TEST_F(MemoryCaptureTest, TextAndUnicodeTextAloneMakeAClipboardFile) {
  SetClipboard(clipboard(), {{1, Z("text")}, {13, Wide(u"text")}});
  ASSERT_EQ(CaptureAll(), CaptureResult::kSaved);
  std::vector<std::string> files = HistoryFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(GetHistoryKind(files[0]), HistoryKind::kClipboardFile) << "without LOCALE it is no plain text";
  ASSERT_EQ(sink_.rows.size(), 1u);
  const AddedRow& row = sink_.rows[0];
  EXPECT_EQ(row.text, source_.windowTitle) << "the memo is the source window's title";
  EXPECT_EQ(row.iconFile, source_.programPath) << "a new format set takes the source program's icon";
  EXPECT_EQ(row.iconIndex, 0);
  std::string iconFile;
  int iconIndex = -1;
  EXPECT_EQ(formats_.FindFormatList("TEXT,UNICODETEXT", iconFile, iconIndex), row.type)
      << "the type is the position of the new format set";

  std::string memo;
  CTextList names;
  ASSERT_EQ(ReadClipboardFileInfo(HostFileSystem(), historyDirectory() + files[0], memo, &names), 2);
  EXPECT_EQ(memo, source_.windowTitle);
  EXPECT_EQ(state_.lastText, "") << "a clipboard file does not change the last text";
}

TEST_F(MemoryCaptureTest, KnownFormatSetTakesItsIcon) {
  int position = formats_.AddFormatList("TEXT,UNICODETEXT", "C:\\图标\\set.dll", 6);
  SetClipboard(clipboard(), {{1, Z("text")}, {13, Wide(u"text")}});
  ASSERT_EQ(CaptureAll(), CaptureResult::kSaved);
  ASSERT_EQ(sink_.rows.size(), 1u);
  EXPECT_EQ(sink_.rows[0].iconFile, "c:\\图标\\set.dll") << "the table keeps icon files lower-cased";
  EXPECT_EQ(sink_.rows[0].iconIndex, 6);
  EXPECT_EQ(sink_.rows[0].type, position);
  EXPECT_EQ(sink_.rows[0].text, source_.windowTitle) << "the memo still comes from the source window";
}

// Captures over files in memory, where an icon file can stand at any path the
// marker names, network paths included.
class MemoryFilesCaptureTest : public ::testing::Test {
 protected:
  static constexpr char kLocal[] = "C:\\Users\\u\\";
  MemoryFilesCaptureTest() { formats_.LoadFormatList(); }
  CaptureResult CaptureAll() { return CaptureAllFormats(context_, state_, formats_, source_); }

  MemoryFileSystem files_;
  MemoryClipboard clipboard_;
  FixedClock clock_;
  RecordingSink sink_;
  CFormatListTable formats_{files_, kExe, kLocal};
  CHistoryStamps stamps_;
  CaptureContext context_{clipboard_, files_, clock_, std::string(kLocal) + "CPasteClipboard\\", 0, sink_, stamps_};
  CaptureState state_;
  ClipboardSource source_{"C:\\Windows\\notepad.exe", "无标题 - 记事本"};
};

TEST_F(MemoryFilesCaptureTest, MarkerGivesMemoAndALocalIcon) {
  const std::string own = formats_.GetDefaultIconFile();
  struct Case {
    std::string marker;
    std::string iconFile;
    int iconIndex;
    std::string memo;  // empty: the time of the capture
    const char* what;
  };
  const Case cases[] = {
      {BuildMarkerText("C:\\工具\\编辑器.exe", 5, "备忘\r\n第二行"), "C:\\工具\\编辑器.exe", 5, "备忘\r\n第二行",
       "a memo over two lines is kept whole"},
      {BuildMarkerText("C:\\a.exe", 3, ""), "C:\\a.exe", 3, "", "an empty memo still gives the marker's icon"},
      {"Kelvarion-1\r\nC:\\a.exe\r\n3", source_.programPath, 0, source_.windowTitle, "a short marker is ignored"},
      {"Other-1\r\nC:\\a.exe\r\n3\r\nm", source_.programPath, 0, source_.windowTitle, "a foreign marker"},
      {BuildMarkerText("\\\\server\\share\\a.ico", 2, "远程"), own, kDefaultIconIndex, "远程",
       "a network path is never opened: the program's own icon"},
      {BuildMarkerText("C:\\gone.exe", 2, "m"), own, kDefaultIconIndex, "m", "a file that is not there"},
      {BuildMarkerText("a.ico", 2, "m"), own, kDefaultIconIndex, "m", "a relative path"},
  };
  for (const char* path : {"C:\\工具\\编辑器.exe", "C:\\a.exe", "\\\\server\\share\\a.ico", "a.ico"})
    files_.PutFile(path, "MZ");
  const std::string formatFile = std::string(kLocal) + "FormatList.ini";
  int n = 0;
  for (const Case& c : cases) {
    clock_.reading.seconds += 1;
    std::uint32_t marker = clipboard_.RegisterFormat(kMarkerFormatName);
    // A format set of its own per case, so that none is known beforehand.
    const std::string extraName = "Kelvarion Case " + std::to_string(n++);
    std::uint32_t extra = clipboard_.RegisterFormat(extraName);
    SetClipboard(clipboard_, {{1, Z("text")}, {extra, "x"}, {marker, Z(c.marker)}});
    ASSERT_EQ(CaptureAll(), CaptureResult::kSaved) << c.what;
    const AddedRow& row = sink_.rows.back();
    char time[32];
    std::strftime(time, sizeof time, "%y-%m-%d %H:%M:%S", std::localtime(&clock_.reading.seconds));
    EXPECT_EQ(row.text, c.memo.empty() ? std::string(time) : c.memo) << c.what;
    EXPECT_EQ(row.iconFile, c.iconFile) << c.what;
    EXPECT_EQ(row.iconIndex, c.iconIndex) << c.what;
    const std::string stored = ReadIniStringRaw(files_, formatFile, "ICON", extraName + ",TEXT");
    EXPECT_EQ(stored, c.iconIndex == kDefaultIconIndex && c.iconFile == own
                          ? std::string()
                          : ToLower(c.iconFile) + "," + std::to_string(c.iconIndex))
        << "what FormatList.ini keeps for the next start: " << c.what;
    std::string memo;
    ASSERT_GE(ReadClipboardFileInfo(files_, context_.historyDirectory + row.fileName, memo), 0) << c.what;
    EXPECT_EQ(memo, row.text) << "the file's memo is the row's: " << c.what;
  }
}

TEST_F(MemoryCaptureTest, MemoDefaultsToTheTimeWithoutASourceTitle) {
  source_ = {};
  clock_.reading.seconds = 1700000000;
  SetClipboard(clipboard(), {{1, Z("t")}, {2, "not really a bitmap"}});
  ASSERT_EQ(CaptureAll(), CaptureResult::kSaved);
  char expected[32];
  std::strftime(expected, sizeof expected, "%y-%m-%d %H:%M:%S", std::localtime(&clock_.reading.seconds));
  EXPECT_EQ(sink_.rows[0].text, expected);
  EXPECT_EQ(sink_.rows[0].text.size(), 17u) << "yy-mm-dd hh:mm:ss";
}

TEST_F(MemoryCaptureTest, EmptyOrClosedClipboardReportsEmpty) {
  EXPECT_EQ(CaptureAll(), CaptureResult::kEmpty) << "an empty clipboard";
  SetText("x");
  memory().failOpen = true;
  EXPECT_EQ(CaptureAll(), CaptureResult::kEmpty) << "a clipboard that cannot be opened";
  EXPECT_EQ(Capture(), CaptureResult::kNothing) << "automatic capture stays silent";
  EXPECT_TRUE(HistoryFiles().empty());
}

// --- text and file lists from the clipboard -------------------------------------

TEST_F(MemoryCaptureTest, TextSourcesInOrderOfPreference) {
  struct Case {
    std::vector<Format> formats;
    std::string text;
    const char* what;
  };
  const Case cases[] = {
      {{{1, Z("text")}, {7, Z("oem")}, {13, Wide(u"宽字符")}}, "宽字符", "wide text first"},
      {{{1, Z("text")}, {7, Z("oem")}}, "oem", "then OEMTEXT"},
      {{{1, Z("中文")}}, "中文", "then TEXT"},
      {{{1, "no terminator"}}, "no terminator", "a text without its zero ends with its block"},
      {{{13, std::string("o\0k", 3)}}, "o", "an odd wide block ends on whole code units"},
  };
  for (const Case& c : cases) {
    SetClipboard(clipboard(), c.formats);
    std::string text;
    EXPECT_EQ(GetClipboardTextOrFiles(clipboard(), text, false), static_cast<int>(c.text.size())) << c.what;
    EXPECT_EQ(text, c.text) << c.what;
    EXPECT_FALSE(memory().IsOpen()) << "the clipboard must be closed again: " << c.what;
  }
}

TEST_F(MemoryCaptureTest, ResultCodesOfReadingTextOrFiles) {
  std::string text = "stale";
  EXPECT_EQ(GetClipboardTextOrFiles(clipboard(), text, true), -1) << "empty clipboard";
  EXPECT_EQ(text, "");
  SetClipboard(clipboard(), {{2, "bitmap"}});
  EXPECT_EQ(GetClipboardTextOrFiles(clipboard(), text, false), -4) << "no text, files not wanted";
  EXPECT_EQ(GetClipboardTextOrFiles(clipboard(), text, true), -3) << "no text, no file list";
  SetClipboard(clipboard(), {{15, DropNarrow({})}});
  EXPECT_EQ(GetClipboardTextOrFiles(clipboard(), text, true), -1) << "a file list without files";
  memory().failOpen = true;
  EXPECT_EQ(GetClipboardTextOrFiles(clipboard(), text, true), -2) << "the clipboard cannot be opened";
}

TEST_F(MemoryCaptureTest, DropListsAreReadDefensively) {
  struct Case {
    std::string bytes;
    std::string text;  // empty: no file
    const char* what;
  };
  const std::string header = U32(20) + U32(0) + U32(0) + U32(0);
  const Case cases[] = {
      {DropNarrow({"C:\\a.txt", "D:\\文件夹\\乗.doc"}), "C:\\a.txt\r\nD:\\文件夹\\乗.doc", "narrow paths"},
      {DropWide({u"C:\\a.txt", u"D:\\文件夹\\说明.txt"}), "C:\\a.txt\r\nD:\\文件夹\\说明.txt", "wide paths"},
      {"", "", "no bytes"},
      {header, "", "header cut short"},
      {U32(200) + U32(0) + U32(0) + U32(0) + U32(0) + Z("C:\\a"), "", "list offset past the end"},
      {U32(4) + U32(0) + U32(0) + U32(0) + U32(0) + Z("C:\\a"), "", "list offset inside the header"},
      {header + U32(0) + "C:\\unterminated", "", "a path without its zero"},
      {header + U32(0) + Z("C:\\a") + "C:\\cut", "C:\\a", "a whole path before a cut one"},
      {header + U32(1) + Wide(u"C:\\w") + "C", "C:\\w", "an odd byte after a wide list"},
  };
  for (const Case& c : cases) {
    SetClipboard(clipboard(), {{15, c.bytes}});
    std::string text;
    int result = GetClipboardTextOrFiles(clipboard(), text, true);
    if (c.text.empty()) {
      EXPECT_EQ(result, -1) << c.what;
    } else {
      EXPECT_EQ(result, static_cast<int>(c.text.size())) << c.what;
    }
    EXPECT_EQ(text, c.text) << c.what;
  }
}

TEST_F(MemoryCaptureTest, FileNamesAreCapturedOnlyWhenListenedTo) {
  SetClipboard(clipboard(), {{15, DropWide({u"C:\\报告.doc", u"C:\\b.txt"})}});
  state_.listenToFileNames = false;
  EXPECT_EQ(Capture(), CaptureResult::kNothing) << "copied files without listening to file names";
  EXPECT_TRUE(HistoryFiles().empty());

  state_.listenToFileNames = true;
  EXPECT_EQ(Capture(), CaptureResult::kSaved);
  std::vector<std::string> files = HistoryFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(FileBytes(files[0]), "C:\\报告.doc\r\nC:\\b.txt") << "one full path a line, no line end after the last";
  EXPECT_EQ(sink_.rows[0].text, "C:\\报告.doc C:\\b.txt");
  EXPECT_EQ(Capture(), CaptureResult::kDuplicate) << "the same list again";
}

TEST_F(MemoryCaptureTest, CaptureOfFileNamesAlwaysSaves) {
  EXPECT_EQ(CaptureClipboardFileNames(context_), CaptureResult::kNothing) << "empty clipboard";
  SetText("no files");
  EXPECT_EQ(CaptureClipboardFileNames(context_), CaptureResult::kNothing) << "text but no file list";

  SetClipboard(clipboard(), {{1, Z("names")}, {15, DropNarrow({"C:\\x.txt"})}});
  state_.lastText = "C:\\x.txt";
  EXPECT_EQ(CaptureClipboardFileNames(context_), CaptureResult::kSaved) << "no check against the last text";
  clock_.reading.seconds += 1;
  EXPECT_EQ(CaptureClipboardFileNames(context_), CaptureResult::kSaved) << "nor against the previous list";
  EXPECT_EQ(HistoryFiles().size(), 2u);
  EXPECT_EQ(sink_.rows.size(), 2u);
  EXPECT_EQ(state_.lastText, "C:\\x.txt");
  EXPECT_FALSE(memory().IsOpen()) << "the clipboard must be closed again";

  SetClipboard(clipboard(),
               {{15, DropNarrow({"C:\\x.txt"})}, {clipboard().RegisterFormat("Clipboard Viewer Ignore"), "x"}});
  EXPECT_EQ(CaptureClipboardFileNames(context_), CaptureResult::kPrivate);
  EXPECT_EQ(HistoryFiles().size(), 2u);
}

}  // namespace
}  // namespace kelvarion
