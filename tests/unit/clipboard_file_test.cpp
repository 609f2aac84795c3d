#include "clip/clipboard_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/memory/memory_clipboard.h"
#include "support/clipboard_fixture.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

// --- files built by hand ----------------------------------------------------

std::string U32(std::uint32_t v) {
  return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                     static_cast<char>(v >> 24)};
}

// A zero-terminated text as the clipboard holds it.
std::string Z(const std::string& text) { return text + std::string(1, '\0'); }

struct Record {
  std::string name;
  std::uint32_t id;
  std::string data;
};

std::string RecordBytes(const Record& r) {
  return U32(static_cast<std::uint32_t>(r.name.size())) + r.name + U32(r.id) +
         U32(static_cast<std::uint32_t>(r.data.size())) + r.data;
}

std::string MemoBytes(const std::string& memo) {
  return U32(static_cast<std::uint32_t>(memo.size() + 1)) + Z(memo);
}

// A clipboard file laid out as the writer lays it out; header 0 means the
// format mark plus the real record count.
std::string ClipboardFileBytes(const std::vector<Record>& records, const std::string& memo,
                               std::uint32_t header = 0) {
  std::string body;
  for (const Record& r : records) body += RecordBytes(r);
  if (header == 0) header = 0x10000u + static_cast<std::uint32_t>(records.size());
  return U32(header) + U32(static_cast<std::uint32_t>(8 + body.size())) + body + MemoBytes(memo);
}

// --- the clipboard, through the port ----------------------------------------

using Format = test::ClipboardFormat;
using test::SetClipboardState;

std::optional<std::string> ClipboardBytes(ClipboardPort& clipboard, std::uint32_t id) {
  ClipboardSession session(clipboard, 0);
  if (!session.IsOpen()) return std::nullopt;
  auto view = clipboard.GetData(id);
  if (!view) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(view->Data()), view->Size());
}

using test::ClipboardIsClosed;

// --- a file system that fails on purpose ------------------------------------

class FaultyFile : public File {
 public:
  FaultyFile(std::unique_ptr<File> inner, std::int64_t readsFailFrom, std::int64_t readsFailTo,
             std::int64_t writesFailFrom)
      : inner_(std::move(inner)), readsFailFrom_(readsFailFrom), readsFailTo_(readsFailTo),
        writesFailFrom_(writesFailFrom) {}
  std::size_t Read(void* buffer, std::size_t size) override {
    // Bytes after the unreadable stretch can be read again.
    if (readsFailFrom_ >= 0 && inner_->Tell() >= readsFailTo_) return inner_->Read(buffer, size);
    return inner_->Read(buffer, Allowed(readsFailFrom_, size));
  }
  std::size_t Write(const void* buffer, std::size_t size) override {
    return inner_->Write(buffer, Allowed(writesFailFrom_, size));
  }
  bool Seek(std::int64_t offset) override { return inner_->Seek(offset); }
  std::int64_t Tell() override { return inner_->Tell(); }
  std::int64_t Size() override { return inner_->Size(); }

 private:
  // Bytes at or past the limit cannot be transferred.
  std::size_t Allowed(std::int64_t limit, std::size_t size) {
    if (limit < 0) return size;
    const std::int64_t pos = inner_->Tell();
    if (pos >= limit) return 0;
    return static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(size), limit - pos));
  }

  std::unique_ptr<File> inner_;
  std::int64_t readsFailFrom_;
  std::int64_t readsFailTo_;
  std::int64_t writesFailFrom_;
};

class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& real) : real_(real) {}

  std::optional<OpenMode> failOpen;  // opening in this mode fails
  // Reads of bytes from readsFailFrom up to readsFailTo fail, and writes of
  // bytes at or past writesFailFrom (-1: never).
  std::int64_t readsFailFrom = -1;
  std::int64_t readsFailTo = INT64_MAX;
  std::int64_t writesFailFrom = -1;

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    if (failOpen && *failOpen == mode) return nullptr;
    auto file = real_.Open(path, mode);
    if (!file) return nullptr;
    return std::make_unique<FaultyFile>(std::move(file), readsFailFrom, readsFailTo, writesFailFrom);
  }
  bool Exists(const std::string& path) override { return real_.Exists(path); }
  bool IsDirectory(const std::string& path) override { return real_.IsDirectory(path); }
  bool MakeDirectory(const std::string& path) override { return real_.MakeDirectory(path); }
  bool ListDirectory(const std::string& directory, std::vector<std::string>& names) override {
    return real_.ListDirectory(directory, names);
  }
  bool Rename(const std::string& from, const std::string& to) override {
    return !failRename && real_.Rename(from, to);
  }
  bool Remove(const std::string& path) override { return real_.Remove(path); }
  bool failRename = false;

 private:
  FileSystem& real_;
};

// --- the marker and the fixed names ------------------------------------------

TEST(MarkerText, FourLinesBuiltAndParsedBack) {
  EXPECT_EQ(BuildMarkerText("C:\\工具\\记事本.exe", 3, "备忘"), "Kelvarion-1\r\nC:\\工具\\记事本.exe\r\n3\r\n备忘");
  struct Case {
    std::string iconFile;
    int iconIndex;
    std::string memo;
  };
  const Case cases[] = {
      {"C:\\工具\\记事本.exe", 3, "备忘"},
      {"", 0, ""},
      {"C:\\a.exe", -2, "first line\r\nsecond line"},  // a memo may span lines
      {"D:\\乗\\x.exe", 12345, "\xD5\x66"},             // trail bytes that look like '\' and 'f'
  };
  for (const Case& c : cases) {
    MarkerInfo info;
    ASSERT_TRUE(ParseMarkerText(BuildMarkerText(c.iconFile, c.iconIndex, c.memo), info)) << c.iconFile;
    EXPECT_EQ(info.iconFile, c.iconFile) << "icon file did not survive";
    EXPECT_EQ(info.iconIndex, c.iconIndex) << "icon index did not survive for " << c.iconFile;
    EXPECT_EQ(info.memo, c.memo) << "memo did not survive for " << c.iconFile;
  }
}

TEST(MarkerText, OnlyTextsStartingWithTheMarkerLineAreMarkers) {
  MarkerInfo info;
  for (const char* text : {"", "Kelvarion-2\r\nC:\\a.exe\r\n1\r\nm", "kelvarion-1\r\nC:\\a.exe\r\n1\r\nm",
                           " Kelvarion-1\r\nx\r\n1\r\nm", "Kelvarion-10"}) {
    EXPECT_FALSE(ParseMarkerText(text, info)) << "accepted as a marker: " << text;
  }
  ASSERT_TRUE(ParseMarkerText("Kelvarion-1\r\nC:\\a.exe", info)) << "a short marker still is one";
  EXPECT_EQ(info.iconFile, "C:\\a.exe");
  EXPECT_EQ(info.iconIndex, 0);
  EXPECT_EQ(info.memo, "");
}

TEST(PredefinedFormatName, FixedNamesOfTheFormatsOneToSeventeen) {
  const char* expected[] = {"TEXT", "BITMAP", "METAFILEPICT", "SYLK", "DIF", "TIFF", "OEMTEXT", "DIB", "PALETTE",
                            "PENDATA", "RIFF", "WAVE", "UNICODETEXT", "ENHMETAFILE", "HDROP", "LOCALE", "MAX"};
  for (std::uint32_t id = 1; id <= 17; ++id) {
    EXPECT_EQ(PredefinedFormatName(id), expected[id - 1]) << "format " << id;
  }
  for (std::uint32_t id : {0u, 18u, 0x80u, 0xC000u}) {
    EXPECT_EQ(PredefinedFormatName(id), "") << "format " << id << " has no fixed name";
  }
}

// --- on the platform's clipboard (in memory natively, the real one on Windows) ---

class ClipboardFileTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return dir_.path() + name; }
  void SetState(const std::vector<Format>& formats) { SetClipboardState(clipboard, formats); }
  std::optional<std::string> Bytes(std::uint32_t id) { return ClipboardBytes(clipboard, id); }
  std::uint32_t MarkerId() { return clipboard.RegisterFormat(kMarkerFormatName); }

  // Every reader refuses the file, and neither the file nor the clipboard changes.
  void ExpectRefused(const std::string& what, const std::string& bytes) {
    const std::string path = PathOf("refused.cbf");
    test::WriteBytes(path, bytes);
    ASSERT_NO_FATAL_FAILURE(SetState({{5, "keep"}}));
    std::string memo = "stale";
    CTextList names;
    CNumberList sizes;
    EXPECT_EQ(ReadClipboardFileInfo(files, path, memo, &names, &sizes), -3) << what << ": summary with lists";
    EXPECT_TRUE(names.IsEmpty() && memo.empty()) << what << ": a refused file gives no names or memo";
    EXPECT_EQ(ReadClipboardFileInfo(files, path, memo), -3) << what << ": memo only";
    EXPECT_EQ(SetClipboardFileMemo(files, path, "new memo"), -3) << what << ": memo update";
    EXPECT_EQ(test::ReadBytes(path), bytes) << what << ": a refused memo update changed the file";
    EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "0000", std::string("m")), -2)
        << what << ": restore";
    EXPECT_EQ(Bytes(5), "keep") << what << ": a refused restore touched the clipboard";
    EXPECT_TRUE(ClipboardIsClosed(clipboard)) << what << ": restore left the clipboard open";
  }

  std::unique_ptr<ClipboardPort> clipboardHolder_ = test::MakePlatformClipboard();
  ClipboardPort& clipboard = *clipboardHolder_;
  FileSystem& files = test::HostFileSystem();
  const ClipboardPort::Window owner = test::ProgramWindow();  // restores open the clipboard for it
  test::ScratchDir dir_;
};

TEST_F(ClipboardFileTest, CollectsEveryFormatInClipboardOrderAndTheMarkerText) {
  const std::uint32_t chinese = clipboard.RegisterFormat("测试格式");
  const std::uint32_t marker = MarkerId();
  ASSERT_GE(chinese, 0xC000u);
  ASSERT_GE(marker, 0xC000u);
  const std::string markerText = BuildMarkerText("C:\\工具\\a.exe", 2, "备忘");
  ASSERT_NO_FATAL_FAILURE(SetState({{1, Z("abc")},
                                    {7, Z("abc")},
                                    {13, std::string("a\0b\0c\0\0\0", 8)},
                                    {16, U32(0x0804)},
                                    {5, "dif"},
                                    {chinese, "x"},
                                    {marker, Z(markerText)}}));

  CTextList names;
  CNumberList ids;
  std::string text = "stale";
  EXPECT_EQ(CollectClipboardFormats(clipboard, names, &ids, &text), 4) << "all but the three plain-text formats";
  EXPECT_EQ(names, (CTextList{"TEXT", "OEMTEXT", "UNICODETEXT", "LOCALE", "DIF", "测试格式", kMarkerFormatName}))
      << "names in clipboard order, fixed names for 1..17, code page 936 for registered ones";
  EXPECT_EQ(ids.Items(), (std::vector<std::uint32_t>{1, 7, 13, 16, 5, chinese, marker}));
  EXPECT_EQ(text, markerText) << "the marker's text without its zero byte";
  EXPECT_TRUE(ClipboardIsClosed(clipboard)) << "collecting left the clipboard open";

  CTextList sorted;
  text = "stale";
  EXPECT_EQ(CollectSortedFormatNames(clipboard, sorted, &text), 3) << "LOCALE is not counted either";
  EXPECT_EQ(sorted, (CTextList{"DIF", kMarkerFormatName, "LOCALE", "OEMTEXT", "TEXT", "UNICODETEXT", "测试格式"}))
      << "byte order, case observed";
  EXPECT_EQ(text, markerText);
  EXPECT_TRUE(ClipboardIsClosed(clipboard));
}

TEST_F(ClipboardFileTest, MarkerTextIsEmptyWithoutAMarker) {
  ASSERT_NO_FATAL_FAILURE(SetState({{5, "dif"}, {4, "sylk"}}));
  CTextList names;
  std::string text = "stale";
  EXPECT_EQ(CollectClipboardFormats(clipboard, names, nullptr, &text), 2);
  EXPECT_EQ(text, "") << "a marker text from before must not survive";
  EXPECT_EQ(names, (CTextList{"DIF", "SYLK"}));
  text = "stale";
  EXPECT_EQ(CollectSortedFormatNames(clipboard, names, &text), 2);
  EXPECT_EQ(text, "");
}

TEST_F(ClipboardFileTest, EmptyClipboardGivesMinusOneAndNoFile) {
  ASSERT_NO_FATAL_FAILURE(SetState({}));
  CTextList names{"stale"};
  EXPECT_EQ(CollectClipboardFormats(clipboard, names), -1);
  EXPECT_EQ(CollectSortedFormatNames(clipboard, names), -1);
  const std::string path = PathOf("empty.cbf");
  EXPECT_EQ(WriteClipboardFile(clipboard, files, path, 0, "memo"), -1);
  EXPECT_FALSE(files.Exists(path)) << "nothing to write, so no file";
}

TEST_F(ClipboardFileTest, WritesEveryFormatButTheMarkerInTheFileLayout) {
  const std::uint32_t layout = clipboard.RegisterFormat("Kelvarion-test-layout");
  ASSERT_GE(layout, 0xC000u);
  const std::string registered("\0\xFF\0", 3);
  ASSERT_NO_FATAL_FAILURE(SetState({{5, "dif\x01\x02"}, {layout, registered}, {MarkerId(), Z("Kelvarion-1\r\n\r\n0\r\n")}}));
  const std::string path = PathOf("layout.cbf");
  test::WriteBytes(path, std::string(1000, 'x'));  // an older file is replaced, not overwritten in part

  EXPECT_EQ(WriteClipboardFile(clipboard, files, path, 0, "memo 备忘"), 3) << "the count includes the marker";
  EXPECT_TRUE(ClipboardIsClosed(clipboard)) << "writing left the clipboard open";
  EXPECT_EQ(test::ReadBytes(path),
            ClipboardFileBytes({{"DIF", 5, "dif\x01\x02"}, {"Kelvarion-test-layout", layout, registered}}, "memo 备忘"))
      << "header, memo offset, records in clipboard order without the marker, memo";

  std::string memo;
  CTextList names;
  CNumberList sizes;
  EXPECT_EQ(ReadClipboardFileInfo(files, path, memo, &names, &sizes), 2);
  EXPECT_EQ(memo, "memo 备忘");
  EXPECT_EQ(names, (CTextList{"DIF", "Kelvarion-test-layout"}));
  EXPECT_EQ(sizes.Items(), (std::vector<std::uint32_t>{5, 3}));

  CTextList namesOnly;
  EXPECT_EQ(ReadClipboardFileInfo(files, path, memo, &namesOnly), 2) << "names without sizes";
  EXPECT_EQ(namesOnly, names);
  EXPECT_EQ(ReadClipboardFileInfo(files, path, memo), 0) << "no names list, so 0";
  EXPECT_EQ(memo, "memo 备忘");
}

TEST_F(ClipboardFileTest, WrittenStateComesBackWhole) {
  const std::uint32_t chinese = clipboard.RegisterFormat("测试格式");
  // A 2x2 picture, 32 bits a pixel: header size, width, height, planes and depth, then zeros and the pixels.
  const std::string dib = U32(40) + U32(2) + U32(2) + U32(0x00200001) + std::string(24, '\0') +
                          std::string(16, '\x7F');
  const std::string hdrop("\x14\0\0\0", 4);
  ASSERT_NO_FATAL_FAILURE(SetState({{8, dib}, {chinese, Z("中文内容")}, {15, hdrop}}));
  const std::string path = PathOf("whole.cbf");
  // The system may add formats made from the picture (bitmap, DIBV5).
  const int written = WriteClipboardFile(clipboard, files, path, 0, "m");
  ASSERT_GE(written, 3);
  std::string memo;
  CTextList names;
  CNumberList sizes;
  ASSERT_EQ(ReadClipboardFileInfo(files, path, memo, &names, &sizes), written);
  EXPECT_EQ(sizes.Get(names.Find("DIB")), dib.size());
  EXPECT_EQ(sizes.Get(names.Find("测试格式")), 9u);
  EXPECT_EQ(sizes.Get(names.Find("HDROP")), 4u);
  int withBytes = 0;
  for (std::uint32_t size : sizes.Items()) withBytes += size > 0 ? 1 : 0;

  ASSERT_NO_FATAL_FAILURE(SetState({{11, "something else"}}));
  const std::string markerText = BuildMarkerText("C:\\a.exe", 1, "m");
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, std::string(names.GetSize(), '0'), markerText),
            withBytes + 1)
      << "every record with bytes and the marker";
  EXPECT_TRUE(ClipboardIsClosed(clipboard)) << "restoring left the clipboard open";
  EXPECT_EQ(clipboard.GetOwner(), owner)
      << "the restored clipboard must belong to the program's window, not be left ownerless";
  EXPECT_EQ(Bytes(8), dib);
  EXPECT_EQ(Bytes(chinese), Z("中文内容"));
  EXPECT_EQ(Bytes(15), hdrop);
  EXPECT_EQ(Bytes(MarkerId()), Z(markerText)) << "the marker carries its text with the zero byte";
  EXPECT_FALSE(clipboard.IsFormatAvailable(11)) << "the clipboard is emptied first";
}

TEST_F(ClipboardFileTest, RegisteredFormatIsRestoredUnderTheIdentifierItsNameHasNow) {
  const std::string name = "Kelvarion-test-moved";
  const std::uint32_t now = clipboard.RegisterFormat(name);
  ASSERT_GE(now, 0xC000u);
  // Written by an earlier run, when the name had another identifier.
  const std::uint32_t earlier = now == 0xFFF0 ? 0xFFF1 : 0xFFF0;
  const std::string path = PathOf("moved.cbf");
  test::WriteBytes(path, ClipboardFileBytes({{"DIF", 5, "dif"}, {name, earlier, "moved bytes"}}, "m"));

  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "00", std::nullopt), 2);
  EXPECT_EQ(Bytes(now), "moved bytes") << "the name decides the identifier";
  EXPECT_FALSE(clipboard.IsFormatAvailable(earlier)) << "the stored identifier of a registered format is stale";
  EXPECT_EQ(Bytes(5), "dif") << "predefined formats keep their identifier";
}

TEST_F(ClipboardFileTest, BitmapHandleIsStoredWithoutBytesAndNotRestored) {
  ASSERT_NO_FATAL_FAILURE(SetState({{5, "dif"}}));
  ASSERT_TRUE(test::AddBitmapHandle(clipboard));
  const std::string path = PathOf("bitmap.cbf");
  const int written = WriteClipboardFile(clipboard, files, path, 0, "bitmap");
  ASSERT_GE(written, 2);

  std::string memo;
  CTextList names;
  CNumberList sizes;
  ASSERT_EQ(ReadClipboardFileInfo(files, path, memo, &names, &sizes), written);
  const int bitmap = names.Find("BITMAP");
  ASSERT_GE(bitmap, 0) << "the bitmap handle has a record";
  EXPECT_EQ(sizes.Get(bitmap), 0u) << "a handle has no bytes";
  EXPECT_EQ(sizes.Get(names.Find("DIF")), 3u);
  int withBytes = 0;
  for (int i = 0; i < sizes.GetSize(); ++i) {
    if (sizes.Get(i) > 0) ++withBytes;
    // Where the system offers the picture as a device-independent bitmap too,
    // that record carries the bytes.
    if (names.Get(i) == "DIB") {
      EXPECT_GT(sizes.Get(i), 0u) << "DIB stored without bytes";
    }
  }

  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, std::string(names.GetSize(), '0'), std::string("m")),
            withBytes + 1)
      << "the bitmap record must not be placed";
  EXPECT_EQ(Bytes(5), "dif");
  if (!test::PlatformClipboardIsReal()) {
    EXPECT_FALSE(clipboard.IsFormatAvailable(2)) << "no bitmap without bytes";
  }
}

TEST_F(ClipboardFileTest, MetafilePicturesAreStoredWithoutBytesAndNotRestored) {
  ASSERT_NO_FATAL_FAILURE(SetState({{5, "dif"}}));
  ASSERT_TRUE(test::AddMetafilePictures(clipboard));
  const std::string path = PathOf("metafile.cbf");
  const int written = WriteClipboardFile(clipboard, files, path, 0, "metafile");
  ASSERT_GE(written, 3);

  std::string memo;
  CTextList names;
  CNumberList sizes;
  ASSERT_EQ(ReadClipboardFileInfo(files, path, memo, &names, &sizes), written);
  ASSERT_GE(names.Find("METAFILEPICT"), 0) << "the metafile picture has a record";
  // The display variant has no name to record; the system may add an
  // enhanced metafile (a handle) made from the picture.
  for (int i = 0; i < names.GetSize(); ++i) {
    if (names.Get(i) == "DIF") continue;
    EXPECT_EQ(sizes.Get(i), 0u) << "record \"" << names.Get(i) << "\" stored the bytes of a handle";
  }

  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, std::string(names.GetSize(), '0'), std::nullopt), 1)
      << "only DIF has bytes to put back";
  EXPECT_EQ(Bytes(5), "dif");
  EXPECT_FALSE(clipboard.IsFormatAvailable(3)) << "a metafile picture was put back";
  EXPECT_FALSE(clipboard.IsFormatAvailable(0x83)) << "a display metafile picture was put back";
}

TEST_F(ClipboardFileTest, MetafilePicturesInOlderFilesAreReadButNotPutBack) {
  // Written when a picture's header was stored with its long-dead handle.
  const std::string header = U32(8) + U32(100) + U32(50) + U32(0) + U32(0x260B462A) + U32(0);
  const std::string path = PathOf("older.cbf");
  test::WriteBytes(path, ClipboardFileBytes({{"METAFILEPICT", 3, header}, {"", 0x83, header}, {"DIF", 5, "dif"}},
                                            "旧文件"));
  std::string memo;
  CTextList names;
  CNumberList sizes;
  ASSERT_EQ(ReadClipboardFileInfo(files, path, memo, &names, &sizes), 3) << "the older file must stay readable";
  EXPECT_EQ(memo, "旧文件");
  EXPECT_EQ(sizes.Items(), (std::vector<std::uint32_t>{24, 24, 3}));

  ASSERT_NO_FATAL_FAILURE(SetState({{11, "before"}}));
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "000", std::string("m")), 2) << "DIF and the marker";
  EXPECT_EQ(Bytes(5), "dif");
  EXPECT_FALSE(clipboard.IsFormatAvailable(3)) << "a stale metafile handle was handed to the clipboard";
  EXPECT_FALSE(clipboard.IsFormatAvailable(0x83));
}

TEST_F(ClipboardFileTest, MaskPicksRecordsAndMissingCharactersCountAsNotZero) {
  const std::string path = PathOf("mask.cbf");
  test::WriteBytes(path, ClipboardFileBytes({{"DIF", 5, "d"}, {"SYLK", 4, "s"}, {"RIFF", 11, "r"}}, "m"));
  struct Case {
    const char* mask;
    bool dif, sylk, riff;
  };
  const Case cases[] = {
      {"000", true, true, true},    {"0", true, false, false},  {"10", false, true, false},
      {"", false, false, false},    {"1 0", false, false, true}, {"00000", true, true, true},
      {"o0O", false, true, false},
  };
  for (const Case& c : cases) {
    const int selected = int{c.dif} + int{c.sylk} + int{c.riff};
    EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, c.mask, std::nullopt), selected)
        << "mask \"" << c.mask << "\" without a marker";
    EXPECT_EQ(clipboard.IsFormatAvailable(5), c.dif) << "mask \"" << c.mask << "\": DIF";
    EXPECT_EQ(clipboard.IsFormatAvailable(4), c.sylk) << "mask \"" << c.mask << "\": SYLK";
    EXPECT_EQ(clipboard.IsFormatAvailable(11), c.riff) << "mask \"" << c.mask << "\": RIFF";
    EXPECT_FALSE(clipboard.IsFormatAvailable(MarkerId())) << "no marker text, no marker";

    EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, c.mask, std::string("Kelvarion-1")), selected + 1)
        << "mask \"" << c.mask << "\" with a marker";
    EXPECT_EQ(Bytes(MarkerId()), Z("Kelvarion-1"));
  }
}

TEST_F(ClipboardFileTest, GivenMarkerTextReplacesAMarkerRecordOfTheFile) {
  const std::string path = PathOf("marker.cbf");
  const std::string stored = Z("Kelvarion-1\r\nold.exe\r\n0\r\nold");
  test::WriteBytes(path, ClipboardFileBytes({{kMarkerFormatName, 0xC123, stored}, {"DIF", 5, "d"}}, "m"));
  const std::string given = BuildMarkerText("new.exe", 1, "new");
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "00", given), 2);
  EXPECT_EQ(Bytes(MarkerId()), Z(given)) << "the file's marker record must give way";
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "00", std::nullopt), 2);
  EXPECT_EQ(Bytes(MarkerId()), stored) << "without a marker text the record is an ordinary one";
}

TEST_F(ClipboardFileTest, ClipboardWithOnlyTheMarkerGivesAFileWithoutRecords) {
  const std::string markerText = BuildMarkerText("C:\\a.exe", 0, "只有标记");
  ASSERT_NO_FATAL_FAILURE(SetState({{MarkerId(), Z(markerText)}}));
  const std::string path = PathOf("marker-only.cbf");
  EXPECT_EQ(WriteClipboardFile(clipboard, files, path, 0, "只有标记"), 1) << "the marker counts";
  EXPECT_EQ(test::ReadBytes(path), U32(0x00010000) + U32(8) + MemoBytes("只有标记"))
      << "N = 0, the memo right after the header";
  std::string memo;
  CTextList names{"stale"};
  EXPECT_EQ(ReadClipboardFileInfo(files, path, memo, &names), 0);
  EXPECT_TRUE(names.IsEmpty());
  EXPECT_EQ(memo, "只有标记");
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "", markerText), 1) << "only the marker is placed";
  EXPECT_EQ(Bytes(MarkerId()), Z(markerText));
}

TEST_F(ClipboardFileTest, ShorterMemoReplacesTheOldOneAndLeavesTheRecordsIntact) {
  const std::uint32_t registered = clipboard.RegisterFormat("Kelvarion-test-memo");
  ASSERT_NO_FATAL_FAILURE(SetState({{5, "dif data"}, {registered, "registered"}, {4, "sylk"}}));
  const std::string path = PathOf("memo.cbf");
  ASSERT_EQ(WriteClipboardFile(clipboard, files, path, 0, "一个很长的备忘录, with many more words"), 3);
  std::string memo;
  CTextList namesBefore, names;
  CNumberList sizesBefore, sizes;
  ASSERT_EQ(ReadClipboardFileInfo(files, path, memo, &namesBefore, &sizesBefore), 3);
  const std::size_t sizeBefore = test::ReadBytes(path).size();

  EXPECT_EQ(SetClipboardFileMemo(files, path, "短"), 0);
  EXPECT_EQ(ReadClipboardFileInfo(files, path, memo, &names, &sizes), 3);
  EXPECT_EQ(memo, "短") << "stale bytes of the old memo must not show";
  EXPECT_EQ(names, namesBefore);
  EXPECT_EQ(sizes.Items(), sizesBefore.Items());
  EXPECT_EQ(test::ReadBytes(path).size(), sizeBefore - MemoBytes("一个很长的备忘录, with many more words").size() +
                                               MemoBytes("短").size())
      << "the new file holds the records and the new memo, no stale bytes";
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "000", std::nullopt), 3);
  EXPECT_EQ(Bytes(5), "dif data");
  EXPECT_EQ(Bytes(registered), "registered");
  EXPECT_EQ(Bytes(4), "sylk");

  const std::string longer(300, 'L');
  EXPECT_EQ(SetClipboardFileMemo(files, path, longer), 0);
  EXPECT_EQ(ReadClipboardFileInfo(files, path, memo, &names, &sizes), 3);
  EXPECT_EQ(memo, longer) << "a longer memo grows the file";
  EXPECT_EQ(names, namesBefore);
}

TEST_F(ClipboardFileTest, ReadersTellMissingUnopenableAndForeignFilesApart) {
  const std::string missing = PathOf("missing.cbf");
  const std::string directory = PathOf("folder.cbf");
  ASSERT_TRUE(files.MakeDirectory(directory));
  const std::string foreign = PathOf("text.spt");
  test::WriteBytes(foreign, "just some text, not a clipboard file");
  struct Case {
    std::string path;
    int read, setMemo, restore;
  };
  const Case cases[] = {{missing, -1, -1, -1}, {directory, -2, -2, -1}, {foreign, -3, -3, -2}};
  ASSERT_NO_FATAL_FAILURE(SetState({{5, "keep"}}));
  for (const Case& c : cases) {
    std::string memo;
    CTextList names;
    EXPECT_EQ(ReadClipboardFileInfo(files, c.path, memo, &names), c.read) << c.path;
    EXPECT_EQ(SetClipboardFileMemo(files, c.path, "memo"), c.setMemo) << c.path;
    EXPECT_EQ(RestoreClipboardFile(clipboard, files, c.path, owner, "0", std::string("m")), c.restore) << c.path;
    EXPECT_EQ(Bytes(5), "keep") << c.path << ": a refused restore touched the clipboard";
  }
  EXPECT_EQ(test::ReadBytes(foreign), "just some text, not a clipboard file") << "a foreign file was written to";
}

TEST_F(ClipboardFileTest, HeaderWithoutTheFormatMarkIsRefused) {
  const std::vector<Record> records = {{"DIF", 5, "d"}, {"SYLK", 4, "s"}};
  for (std::uint32_t header : {0x00020003u, 0x00020002u, 0x00000002u, 0xFFFF0002u, 0x01010002u}) {
    ASSERT_NO_FATAL_FAILURE(ExpectRefused("header " + std::to_string(header), ClipboardFileBytes(records, "m", header)));
  }
  // The count is only a claim; a file that holds two records cannot be read as 65535.
  ASSERT_NO_FATAL_FAILURE(ExpectRefused("header 0x0001FFFF over two records", ClipboardFileBytes(records, "m", 0x0001FFFF)));
}

TEST_F(ClipboardFileTest, LowHalfOfTheHeaderCountsUpTo65535Records) {
  std::vector<Record> records(65535, Record{"", 0x0100, ""});
  records.back() = Record{"DIF", 5, "last"};
  const std::string path = PathOf("many.cbf");
  test::WriteBytes(path, ClipboardFileBytes(records, "many"));
  ASSERT_EQ(test::ReadBytes(path).substr(0, 4), U32(0x0001FFFF));

  std::string memo;
  CTextList names;
  CNumberList sizes;
  EXPECT_EQ(ReadClipboardFileInfo(files, path, memo, &names, &sizes), 65535);
  EXPECT_EQ(names.GetSize(), 65535);
  EXPECT_EQ(names.Get(65534), "DIF") << "the last record is read from its place";
  EXPECT_EQ(sizes.Get(65534), 4u);
  EXPECT_EQ(memo, "many");
  std::string mask(65535, '1');
  mask.back() = '0';
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, mask, std::nullopt), 1);
  EXPECT_EQ(Bytes(5), "last");
}

TEST_F(ClipboardFileTest, MalformedFilesAreRefusedByEveryReader) {
  const std::vector<Record> records = {{"DIF", 5, "dif"}, {"Kelvarion-test-bad", 0xC000, "registered"}};
  const std::string sound = ClipboardFileBytes(records, "memo");
  const auto soundSize = static_cast<std::uint32_t>(sound.size());
  const std::uint32_t memoOffset = soundSize - static_cast<std::uint32_t>(MemoBytes("memo").size());
  // Offsets of the fields: first record at 8, its data length at 19; second
  // record at 26, its data length at 52.
  auto with = [&sound](std::size_t at, std::uint32_t value) { return std::string(sound).replace(at, 4, U32(value)); };

  std::vector<std::pair<std::string, std::string>> cases;
  for (std::size_t n = 0; n < sound.size(); ++n) {
    cases.emplace_back("cut short to " + std::to_string(n) + " bytes", sound.substr(0, n));
  }
  cases.emplace_back("name length past the end", with(8, 0xFFFFFFF0));
  cases.emplace_back("name length one past the end", with(8, soundSize - 12 + 1));
  cases.emplace_back("data length past the end", with(19, 0x7FFFFFFF));
  cases.emplace_back("data length of 4 GiB", with(19, 0xFFFFFFFF));
  cases.emplace_back("last record runs into the memo", with(52, 11));
  cases.emplace_back("memo offset past the end", with(4, soundSize + 10));
  cases.emplace_back("memo offset at the very end", with(4, soundSize));
  cases.emplace_back("memo offset inside the records", with(4, 8));
  cases.emplace_back("memo offset before the records", with(4, 2));
  cases.emplace_back("memo offset of 4 GiB", with(4, 0xFFFFFFFF));
  cases.emplace_back("memo length past the end", with(memoOffset, 100));
  cases.emplace_back("memo length of 4 GiB", with(memoOffset, 0xFFFFFFFF));
  for (const auto& [what, bytes] : cases) {
    ASSERT_NO_FATAL_FAILURE(ExpectRefused(what, bytes));
  }
}

TEST_F(ClipboardFileTest, StaleBytesAfterTheMemoAndAnEmptyMemoLengthAreSound) {
  const std::string path = PathOf("quirks.cbf");
  const std::string records = RecordBytes({"DIF", 5, "dif"});
  struct Case {
    std::string what, bytes, memo;
  };
  const Case cases[] = {
      {"stale bytes after the memo", ClipboardFileBytes({{"DIF", 5, "dif"}}, "new") + "old memo tail", "new"},
      {"memo length 0", U32(0x00010001) + U32(8 + static_cast<std::uint32_t>(records.size())) + records + U32(0), ""},
      {"memo with an inner zero", ClipboardFileBytes({{"DIF", 5, "dif"}}, std::string("cut\0here", 8)), "cut"},
  };
  for (const Case& c : cases) {
    test::WriteBytes(path, c.bytes);
    std::string memo;
    CTextList names;
    EXPECT_EQ(ReadClipboardFileInfo(files, path, memo, &names), 1) << c.what;
    EXPECT_EQ(memo, c.memo) << c.what;
    EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "0", std::nullopt), 1) << c.what;
    EXPECT_EQ(Bytes(5), "dif") << c.what;
  }
}

TEST_F(ClipboardFileTest, OverlongNameKeepsItsFirst256BytesAndTheReaderStaysInStep) {
  const std::string longName = "Kelvarion-long-" + std::string(285, 'n');
  ASSERT_EQ(longName.size(), 300u);
  const std::string path = PathOf("long.cbf");
  test::WriteBytes(path, ClipboardFileBytes({{longName, 0xC100, "abc"}, {"DIF", 5, "second"}}, "memo after"));
  std::string memo;
  CTextList names;
  CNumberList sizes;
  EXPECT_EQ(ReadClipboardFileInfo(files, path, memo, &names, &sizes), 2);
  EXPECT_EQ(names.Get(0), longName.substr(0, 256));
  EXPECT_EQ(names.Get(1), "DIF") << "the rest of the long name was read as the next fields";
  EXPECT_EQ(sizes.Items(), (std::vector<std::uint32_t>{3, 6}));
  EXPECT_EQ(memo, "memo after");
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "10", std::nullopt), 1);
  EXPECT_EQ(Bytes(5), "second");
}

TEST_F(ClipboardFileTest, LongRegisteredNameSurvivesWritingAndRestoring) {
  // Longer than the 99 bytes a 100-byte name buffer would keep.
  const std::string name = "Kelvarion-test-" + std::string(150, 'x') + "-格式";
  const std::uint32_t id = clipboard.RegisterFormat(name);
  ASSERT_GE(id, 0xC000u);
  ASSERT_NO_FATAL_FAILURE(SetState({{id, "long"}}));
  const std::string path = PathOf("longname.cbf");
  ASSERT_EQ(WriteClipboardFile(clipboard, files, path, 0, "m"), 1);
  std::string memo;
  CTextList names;
  ASSERT_EQ(ReadClipboardFileInfo(files, path, memo, &names), 1);
  EXPECT_EQ(names.Get(0), name) << "the name was cut";
  ASSERT_NO_FATAL_FAILURE(SetState({{5, "other"}}));
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "0", std::nullopt), 1);
  EXPECT_EQ(Bytes(id), "long") << "restored under another format";
}

TEST_F(ClipboardFileTest, WriteFailuresGiveMinusThreeAndLeaveNoFile) {
  ASSERT_NO_FATAL_FAILURE(SetState({{5, std::string(100, 'd')}, {4, "sylk"}}));
  EXPECT_EQ(WriteClipboardFile(clipboard, files, PathOf("no-such-folder\\a.cbf"), 0, "m"), -3);

  FaultyFileSystem faulty(files);
  const std::string path = PathOf("faulty.cbf");
  faulty.failOpen = OpenMode::kCreate;
  EXPECT_EQ(WriteClipboardFile(clipboard, faulty, path, 0, "m"), -3);
  EXPECT_FALSE(files.Exists(path));
  EXPECT_TRUE(ClipboardIsClosed(clipboard)) << "a failed write left the clipboard open";

  faulty.failOpen.reset();
  for (std::int64_t limit : {0, 6, 30, 120, 131}) {
    faulty.writesFailFrom = limit;
    EXPECT_EQ(WriteClipboardFile(clipboard, faulty, path, 0, "memo"), -3)
        << "a write failing at byte " << limit << " was reported as success";
    EXPECT_FALSE(files.Exists(path)) << "a cut-off file was left behind (failing at byte " << limit << ")";
    EXPECT_TRUE(ClipboardIsClosed(clipboard));
  }
}

TEST_F(ClipboardFileTest, ReadAndOpenFailuresOfTheReaders) {
  const std::string path = PathOf("faulty.cbf");
  const std::string bytes = ClipboardFileBytes({{"DIF", 5, "first"}, {"SYLK", 4, "second"}, {"RIFF", 11, "third"}}, "m");
  test::WriteBytes(path, bytes);
  FaultyFileSystem faulty(files);
  std::string memo;
  CTextList names;

  faulty.failOpen = OpenMode::kRead;
  EXPECT_EQ(ReadClipboardFileInfo(faulty, path, memo, &names), -2) << "an existing file that cannot be opened";
  EXPECT_EQ(RestoreClipboardFile(clipboard, faulty, path, owner, "000", std::nullopt), -1);
  EXPECT_EQ(SetClipboardFileMemo(faulty, path, "new"), -2);
  faulty.failOpen.reset();

  faulty.readsFailFrom = 10;
  EXPECT_EQ(ReadClipboardFileInfo(faulty, path, memo, &names), -2) << "a read error is not a malformed file";
  EXPECT_EQ(SetClipboardFileMemo(faulty, path, "new"), -2);
  ASSERT_NO_FATAL_FAILURE(SetState({{12, "keep"}}));
  EXPECT_EQ(RestoreClipboardFile(clipboard, faulty, path, owner, "000", std::string("m")), -5);
  EXPECT_EQ(Bytes(12), "keep") << "a file unreadable before its data must not touch the clipboard";
  faulty.readsFailFrom = -1;
  EXPECT_EQ(test::ReadBytes(path), bytes) << "a failed memo update changed the file";
}

// A memo update that fails anywhere, while copying the records, in the memo
// length or its text, or when the new file takes the old one's place, keeps
// the old file whole: its records and its memo still read.
TEST_F(ClipboardFileTest, AMemoThatCannotBeSavedLeavesTheFileWhole) {
  const std::string name = "2099010112000000.cbf";
  const std::string path = PathOf(name);
  const std::string bytes = ClipboardFileBytes({{"DIF", 5, "first"}, {"Kelvarion-test-memo", 0xC000, "second"}}, "旧备忘");
  const std::int64_t memoOffset = static_cast<std::int64_t>(bytes.size() - MemoBytes("旧备忘").size());
  struct Case {
    const char* what;
    std::int64_t writesFailFrom;
    bool failCreate, failRename;
  };
  const Case cases[] = {
      {"the copy of the records", 20, false, false},
      {"the memo length", memoOffset + 2, false, false},
      {"the memo text", memoOffset + 6, false, false},
      {"the file beside it cannot be made", -1, true, false},
      {"the new file cannot take the old one's place", -1, false, true},
  };
  for (const Case& c : cases) {
    test::WriteBytes(path, bytes);
    FaultyFileSystem faulty(files);
    faulty.writesFailFrom = c.writesFailFrom;
    if (c.failCreate) faulty.failOpen = OpenMode::kCreate;
    faulty.failRename = c.failRename;
    EXPECT_EQ(SetClipboardFileMemo(faulty, path, "一个新的备忘录, longer than the old one"), -4) << c.what;
    EXPECT_EQ(test::ReadBytes(path), bytes) << c.what << ": the old file was changed";
    std::string memo;
    CTextList names;
    EXPECT_EQ(ReadClipboardFileInfo(files, path, memo, &names), 2) << c.what << ": the file no longer reads";
    EXPECT_EQ(memo, "旧备忘") << c.what;
    std::vector<std::string> left;
    files.ListDirectory(dir_.path(), left);
    EXPECT_EQ(left, std::vector<std::string>{name}) << c.what << ": the file beside it was left behind";
  }
}

TEST_F(ClipboardFileTest, ReadFailureInARecordStopsButKeepsEarlierRecordsAndTheMarker) {
  const std::string path = PathOf("cut.cbf");
  test::WriteBytes(path, ClipboardFileBytes({{"DIF", 5, "first"}, {"SYLK", 4, "second"}, {"RIFF", 11, "third"}}, "m"));
  // The second record's data ("second") starts at 8 + 20 + 16 = 44; only
  // those bytes cannot be read.
  FaultyFileSystem faulty(files);
  faulty.readsFailFrom = 44 + 3;
  faulty.readsFailTo = 44 + 6;
  ASSERT_NO_FATAL_FAILURE(SetState({{12, "old"}}));
  EXPECT_EQ(RestoreClipboardFile(clipboard, faulty, path, owner, "000", std::string("Kelvarion-1")), -5);
  EXPECT_TRUE(ClipboardIsClosed(clipboard)) << "a failed restore left the clipboard open";
  EXPECT_EQ(Bytes(5), "first") << "the record placed before the failure stays";
  EXPECT_FALSE(clipboard.IsFormatAvailable(4)) << "the record that could not be read was placed";
  EXPECT_FALSE(clipboard.IsFormatAvailable(11)) << "reading goes on after a failure";
  EXPECT_EQ(Bytes(MarkerId()), Z("Kelvarion-1")) << "the marker is added all the same";
}

// --- failures of the clipboard (the in-memory one, on every platform) -------

class MemoryClipboardFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir_.path() + "memory.cbf";
    test::WriteBytes(path, ClipboardFileBytes({{"DIF", 5, "small"},
                                               {"Kelvarion-test-reg", 0xC000, "registered"},
                                               {"SYLK", 4, std::string(1000, 's')},
                                               {"RIFF", 11, "r"}},
                                              "m"));
    clipboard.PutText(12, "old");
  }
  bool Has(std::uint32_t id) const { return clipboard.Find(id) != nullptr; }

  test::ScratchDir dir_;
  std::string path;
  MemoryClipboard clipboard;
  FileSystem& files = test::HostFileSystem();
  const ClipboardPort::Window owner = test::ProgramWindow();
};

TEST_F(MemoryClipboardFileTest, ClipboardThatCannotBeOpened) {
  clipboard.failOpen = true;
  CTextList names;
  EXPECT_EQ(CollectClipboardFormats(clipboard, names), -2);
  EXPECT_EQ(CollectSortedFormatNames(clipboard, names), -2);
  const std::string written = dir_.path() + "written.cbf";
  EXPECT_EQ(WriteClipboardFile(clipboard, files, written, 0, "m"), -2);
  EXPECT_FALSE(files.Exists(written)) << "no file without the clipboard";
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "0000", std::string("m")), -3);
  EXPECT_TRUE(Has(12)) << "the clipboard was changed without being opened";
}

TEST_F(MemoryClipboardFileTest, AllocationFailureStopsButKeepsEarlierRecordsAndTheMarker) {
  clipboard.failAllocateOver = 100;  // the 1000-byte record cannot be had
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "0000", std::string("Kelvarion-1")), -4);
  EXPECT_FALSE(clipboard.IsOpen()) << "a failed restore left the clipboard open";
  EXPECT_TRUE(Has(5) && Has(clipboard.RegisterFormat("Kelvarion-test-reg"))) << "records placed before stay";
  EXPECT_FALSE(Has(4) || Has(11)) << "restoring must stop at the failing record";
  EXPECT_TRUE(Has(clipboard.RegisterFormat(kMarkerFormatName))) << "the marker is added all the same";
  EXPECT_FALSE(Has(12)) << "the clipboard was emptied first";
}

TEST_F(MemoryClipboardFileTest, FormatsThatCannotBeRegisteredAreLeftOut) {
  const std::uint32_t reg = clipboard.RegisterFormat("Kelvarion-test-reg");
  const std::uint32_t marker = clipboard.RegisterFormat(kMarkerFormatName);
  clipboard.failRegister = true;
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "0000", std::string("Kelvarion-1")), 3)
      << "the predefined formats only";
  EXPECT_FALSE(clipboard.IsOpen());
  EXPECT_TRUE(Has(5) && Has(4) && Has(11));
  EXPECT_FALSE(Has(reg)) << "a registered format was placed without registering its name";
  EXPECT_FALSE(Has(marker)) << "the marker was placed without registering its name";
}

// Format names are atoms of the whole session, never freed: a file claiming
// thousands of names must not use them up. The first names go back; records
// of predefined formats and of names already placed still do.
TEST_F(MemoryClipboardFileTest, AFileOfThousandsOfNamesRegistersOnlyTheFirstOnes) {
  std::vector<Record> records;
  for (int i = 0; i < 1000; ++i) records.push_back({"Kelvarion-flood-" + std::to_string(i), 0xC000u + i, "x"});
  records.push_back({"Kelvarion-flood-0", 0xC000, "again"});
  records.push_back({"DIF", 5, "dif"});
  const std::string flood = dir_.path() + "flood.cbf";
  test::WriteBytes(flood, ClipboardFileBytes(records, "m"));
  const int before = clipboard.RegisteredNameCount();

  const int placed = RestoreClipboardFile(clipboard, files, flood, owner, std::string(records.size(), '0'), std::string("m"));
  EXPECT_LE(clipboard.RegisteredNameCount() - before, static_cast<int>(kMaxRestoredNames) + 1)
      << "names beyond the first ones were registered (the marker's is the one more)";
  EXPECT_EQ(placed, static_cast<int>(kMaxRestoredNames) + 3) << "the first names, the repeated one, DIF and the marker";
  EXPECT_EQ(ClipboardBytes(clipboard, clipboard.RegisterFormat("Kelvarion-flood-0")), "again")
      << "a record of a name already placed still goes back";
  EXPECT_EQ(ClipboardBytes(clipboard, 5), "dif") << "predefined formats register nothing and still go back";

  MemoryClipboard untouched;
  EXPECT_EQ(RestoreClipboardFile(untouched, files, flood, owner, std::string(records.size(), '1'), std::nullopt), 0);
  EXPECT_EQ(untouched.RegisteredNameCount(), 0) << "records left out by the mask registered their names";
}

TEST_F(MemoryClipboardFileTest, FormatsTheClipboardRefusesAreNotCounted) {
  clipboard.failSetAfter = 2;
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, owner, "0000", std::string("Kelvarion-1")), 2)
      << "a refused format was counted as placed";
  EXPECT_FALSE(clipboard.IsOpen());
  EXPECT_TRUE(Has(5));
  EXPECT_FALSE(Has(4) || Has(11));
}

TEST_F(MemoryClipboardFileTest, FormatWithoutANameIsRecordedNamelessAndNotRestored) {
  clipboard.Put(0xC7AB, {1, 2, 3});  // an identifier the clipboard cannot name
  CTextList names;
  CNumberList ids;
  EXPECT_EQ(CollectClipboardFormats(clipboard, names, &ids), 2);
  EXPECT_EQ(names, (CTextList{"WAVE", ""}));
  const std::string written = dir_.path() + "nameless.cbf";
  ASSERT_EQ(WriteClipboardFile(clipboard, files, written, 0, "m"), 2);
  std::string memo;
  CNumberList sizes;
  EXPECT_EQ(ReadClipboardFileInfo(files, written, memo, &names, &sizes), 2);
  EXPECT_EQ(names, (CTextList{"WAVE", ""}));
  EXPECT_EQ(sizes.Items(), (std::vector<std::uint32_t>{4, 3}));
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, written, owner, "00", std::nullopt), 1) << "a nameless format cannot be registered";
  EXPECT_TRUE(Has(12));
  EXPECT_FALSE(Has(0xC7AB));
}

TEST(ClipboardFileAcrossRuns, RegisteredFormatGetsTheIdentifierOfTheRunThatRestoresIt) {
  test::ScratchDir dir;
  FileSystem& files = test::HostFileSystem();
  const std::string path = dir.path() + "runs.cbf";
  const std::string name = "Kelvarion-test-format";

  MemoryClipboard earlier;
  const std::uint32_t earlierId = earlier.RegisterFormat(name);
  ASSERT_GE(earlierId, 0xC000u);
  earlier.Put(earlierId, {'r', 'e', 'g'});
  earlier.PutText(1, "text");
  ASSERT_EQ(WriteClipboardFile(earlier, files, path, 0, "m"), 2);
  EXPECT_NE(test::ReadBytes(path).find(U32(earlierId)), std::string::npos) << "the identifier of capture is stored";

  MemoryClipboard later;
  const ClipboardPort::Window owner = test::ProgramWindow();
  later.RegisterFormat("Registered first in this run");
  const std::uint32_t laterId = later.RegisterFormat(name);
  ASSERT_NE(laterId, earlierId);
  EXPECT_EQ(RestoreClipboardFile(later, files, path, owner, "00", std::nullopt), 2);
  ASSERT_TRUE(later.Find(laterId)) << "the format was not restored under its new identifier";
  EXPECT_EQ(later.Find(laterId)->bytes, (std::vector<std::uint8_t>{'r', 'e', 'g'}));
  EXPECT_FALSE(later.Find(earlierId)) << "restored under the stale identifier";
  ASSERT_TRUE(later.Find(1));
  EXPECT_EQ(later.Find(1)->bytes, (std::vector<std::uint8_t>{'t', 'e', 'x', 't', 0}));
}

}  // namespace
}  // namespace kelvarion
