#include "base/file_utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/memory/memory_file_system.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

// "\x81\x5C" is one Chinese character whose trail byte is '\'.
const std::string kTrailBackslash = "\x81\x5C";

std::vector<std::string> Sorted(const CTextList& list) {
  std::vector<std::string> items = list.Items();
  std::sort(items.begin(), items.end());
  return items;
}

TEST(PathParts, BackslashesOnCharacterBoundariesOnly) {
  EXPECT_EQ(AddTrailingBackslash("C:\\dir"), "C:\\dir\\");
  EXPECT_EQ(AddTrailingBackslash("C:\\dir\\"), "C:\\dir\\");
  EXPECT_EQ(AddTrailingBackslash("C:\\" + kTrailBackslash), "C:\\" + kTrailBackslash + "\\")
      << "a trail byte 0x5C is not a separator";
  EXPECT_EQ(FileNamePart("C:\\a\\Kelvarion.exe"), "Kelvarion.exe");
  EXPECT_EQ(FileNamePart("C:\\" + kTrailBackslash + ".exe"), kTrailBackslash + ".exe");
  EXPECT_EQ(DirectoryPart("C:\\a\\" + kTrailBackslash + "x"), "C:\\a\\");
  EXPECT_EQ(DirectoryPart("plain"), "");
}

TEST(CreateDirectoryPath, CreatesEveryLevel) {
  ScratchDir dir;
  FileSystem& fs = HostFileSystem();
  EXPECT_EQ(CreateDirectoryPath(fs, dir.path() + "a\\b\\c\\"), 0);
  EXPECT_TRUE(fs.IsDirectory(dir.path() + "a\\b\\c"));
  EXPECT_EQ(CreateDirectoryPath(fs, dir.path() + "a\\b\\c\\"), 0) << "existing levels are no error";
  EXPECT_EQ(CreateDirectoryPath(fs, dir.path() + "x\\y"), 0);
  EXPECT_TRUE(fs.IsDirectory(dir.path() + "x\\y")) << "the last level needs no trailing backslash";
}

TEST(CreateDirectoryPath, DoesNotSplitADoubleByteCharacter) {
  ScratchDir dir;
  FileSystem& fs = HostFileSystem();
  CreateDirectoryPath(fs, dir.path() + kTrailBackslash + "\\sub\\");
  EXPECT_TRUE(fs.IsDirectory(dir.path() + kTrailBackslash + "\\sub"));
  CTextList names;
  ListFiles(fs, dir.path(), names);
  EXPECT_EQ(names.Items(), std::vector<std::string>{kTrailBackslash})
      << "no directory may be made from the lead byte alone";
}

TEST(FileExists, FilesDirectoriesAndWildcards) {
  ScratchDir dir;
  FileSystem& fs = HostFileSystem();
  WriteBytes(dir.path() + "tessaryn.ini", "x");
  EXPECT_TRUE(FileExists(fs, dir.path() + "tessaryn.ini"));
  EXPECT_TRUE(FileExists(fs, dir.path()));
  EXPECT_TRUE(FileExists(fs, dir.path() + "*.ini"));
  EXPECT_FALSE(FileExists(fs, dir.path() + "*.cbf"));
  EXPECT_FALSE(FileExists(fs, dir.path() + "missing.ini"));
  EXPECT_FALSE(FileExists(fs, ""));
}

TEST(ReadTextFile, ZeroBytesEndTheirBlock) {
  ScratchDir dir;
  FileSystem& fs = HostFileSystem();
  std::string text = "unchanged";
  EXPECT_EQ(ReadTextFile(fs, dir.path() + "missing.txt", text), -1);
  EXPECT_EQ(text, "unchanged") << "a file that cannot be opened leaves the text alone";

  WriteBytes(dir.path() + "plain.txt", std::string("ab\0cd", 5));
  EXPECT_EQ(ReadTextFile(fs, dir.path() + "plain.txt", text), 2);
  EXPECT_EQ(text, "ab");

  // The zero byte ends the first block's part; the second block still counts.
  std::string first = std::string(10, 'A') + '\0' + std::string(32757, 'B');
  ASSERT_EQ(first.size(), 32768u);
  WriteBytes(dir.path() + "blocks.txt", first + "tail");
  EXPECT_EQ(ReadTextFile(fs, dir.path() + "blocks.txt", text), 14);
  EXPECT_EQ(text, std::string(10, 'A') + "tail");

  WriteBytes(dir.path() + "exact.txt", std::string(32768, 'z'));
  EXPECT_EQ(ReadTextFile(fs, dir.path() + "exact.txt", text), 32768) << "a file of exactly one block";

  WriteBytes(dir.path() + "empty.txt", "");
  EXPECT_EQ(ReadTextFile(fs, dir.path() + "empty.txt", text), 0);
  EXPECT_EQ(text, "");
}

// Files that say they are larger than they are: what a file of several
// gigabytes looks like to a reader that asks for its size, without the bytes.
class ClaimedSizeFileSystem : public MemoryFileSystem {
 public:
  std::int64_t claimedSize = 0;
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    std::unique_ptr<File> real = MemoryFileSystem::Open(path, mode);
    if (!real) return nullptr;
    return std::make_unique<Claiming>(std::move(real), claimedSize);
  }

 private:
  class Claiming : public File {
   public:
    Claiming(std::unique_ptr<File> real, std::int64_t size) : real_(std::move(real)), size_(size) {}
    std::size_t Read(void* buffer, std::size_t size) override { return real_->Read(buffer, size); }
    std::size_t Write(const void* buffer, std::size_t size) override { return real_->Write(buffer, size); }
    bool Seek(std::int64_t offset) override { return real_->Seek(offset); }
    std::int64_t Tell() override { return real_->Tell(); }
    std::int64_t Size() override { return size_; }

   private:
    std::unique_ptr<File> real_;
    std::int64_t size_;
  };
};

TEST(ReadTextFile, ATextItsLengthCannotCountIsRefused) {
  ClaimedSizeFileSystem fs;
  fs.PutFile("C:\\big.spt", "12345");
  for (std::int64_t size : {std::int64_t{0x7FFFFFFF}, std::int64_t{0x80000000}, (std::int64_t{1} << 32) + 5}) {
    fs.claimedSize = size;
    std::string text = "unchanged";
    const int result = ReadTextFile(fs, "C:\\big.spt", text);
    if (size <= 0x7FFFFFFF) {
      EXPECT_EQ(result, 5) << size;
    } else {
      EXPECT_EQ(result, -2) << "a file of " << size << " bytes";
      EXPECT_EQ(text, "unchanged") << size;
    }
  }
}

TEST(WriteTextFile, ReplacesTheFileOrReportsFailure) {
  ScratchDir dir;
  FileSystem& fs = HostFileSystem();
  EXPECT_EQ(WriteTextFile(fs, dir.path() + "t.txt", "first, longer"), 0);
  EXPECT_EQ(WriteTextFile(fs, dir.path() + "t.txt", "\xD5\x66\r\n"), 0);
  EXPECT_EQ(ReadBytes(dir.path() + "t.txt"), "\xD5\x66\r\n") << "the old bytes must be gone";
  EXPECT_EQ(WriteTextFile(fs, dir.path() + "no\\such\\dir\\t.txt", "x"), -1);

  MemoryFileSystem memory;
  memory.writeLimit = 3;
  EXPECT_EQ(WriteTextFile(memory, "C:\\t.txt", "too long"), -1) << "a short write is a failure";
}

// Settings files are replaced whole or not at all: a full disk, a file that
// cannot be made beside the old one or a rename that fails leave the old
// file as it was, and no temporary file behind.
TEST(ReplaceTextFile, ReplacesWholeOrLeavesTheOldFile) {
  const std::string file = "C:\\Kelvarion\\Kelvarion.ini";
  const std::string old = "[LocalDirectory]\r\nPC1.alice=D:\\Clips\\\r\n";
  struct Case {
    const char* what;
    long long writeLimit;
    bool failOpenWrite, failRename;
  };
  const Case cases[] = {
      {"the disk is full", 10, false, false},
      {"the temporary file cannot be made", -1, true, false},
      {"the rename fails", -1, false, true},
  };
  for (const Case& c : cases) {
    MemoryFileSystem fs;
    fs.MakeDirectory("C:\\Kelvarion");
    fs.PutFile(file, old);
    fs.writeLimit = c.writeLimit;
    fs.failOpenWrite = c.failOpenWrite;
    fs.failRename = c.failRename;
    EXPECT_EQ(ReplaceTextFile(fs, file, old + "[Setup]\r\nHotKey=113\r\n"), -1) << c.what;
    EXPECT_EQ(fs.GetFile(file), old) << c.what << ": the old file was not kept whole";
    std::vector<std::string> names;
    fs.ListDirectory("C:\\Kelvarion", names);
    EXPECT_EQ(names, std::vector<std::string>{"Kelvarion.ini"}) << c.what << ": a temporary file was left";
  }

  ScratchDir dir;
  FileSystem& host = HostFileSystem();
  const std::string real = dir.path() + "说明.ini";
  EXPECT_EQ(ReplaceTextFile(host, real, "first, longer"), 0) << "a new file is made";
  EXPECT_EQ(ReplaceTextFile(host, real, "\xD5\x66\r\n"), 0);
  EXPECT_EQ(ReadBytes(real), "\xD5\x66\r\n") << "the old bytes must be gone";
  std::vector<std::string> names;
  host.ListDirectory(dir.path(), names);
  EXPECT_EQ(names, std::vector<std::string>{"说明.ini"}) << "only the file itself is left";
  EXPECT_EQ(ReplaceTextFile(host, dir.path() + "no\\such\\dir\\t.ini", "x"), -1);
}

TEST(WriteDataFile, WritesTheBufferLengthReplacingOrAppending) {
  ScratchDir dir;
  FileSystem& fs = HostFileSystem();
  CByteBuffer buffer(6);
  std::copy_n("BM\0\x01xy", 6, buffer.GetData());
  buffer.SetLength(4);
  const std::string file = dir.path() + "image.bmp";
  EXPECT_EQ(WriteDataFile(fs, file, buffer, false), 0);
  EXPECT_EQ(ReadBytes(file), std::string("BM\0\x01", 4)) << "only the current length is written, zero bytes included";
  EXPECT_EQ(WriteDataFile(fs, file, buffer, true), 0);
  EXPECT_EQ(ReadBytes(file), std::string("BM\0\x01" "BM\0\x01", 8));
  EXPECT_EQ(WriteDataFile(fs, file, buffer, false), 0);
  EXPECT_EQ(ReadBytes(file).size(), 4u) << "without append the file is replaced";
  EXPECT_EQ(WriteDataFile(fs, dir.path() + "no\\dir\\x.bmp", buffer, false), -1) << "a file that cannot be made";
  EXPECT_FALSE(fs.Exists(dir.path() + "no"));
}

TEST(WriteDataFile, AShortWriteIsAFailure) {
  CByteBuffer buffer(8);
  std::copy_n("BMxxxxxx", 8, buffer.GetData());
  buffer.SetLength(8);
  MemoryFileSystem memory;
  memory.writeLimit = 5;  // a full disk takes the first bytes only
  EXPECT_EQ(WriteDataFile(memory, "C:\\image.bmp", buffer, false), -2);
  memory.writeLimit = 8;
  EXPECT_EQ(WriteDataFile(memory, "C:\\image.bmp", buffer, false), 0);
  EXPECT_EQ(WriteDataFile(memory, "C:\\image.bmp", buffer, true), -2) << "appending past what the file may take";
  memory.failOpenWrite = true;
  EXPECT_EQ(WriteDataFile(memory, "C:\\other.bmp", buffer, false), -1);
}

TEST(ListFiles, AppendsEntryNames) {
  ScratchDir dir;
  FileSystem& fs = HostFileSystem();
  WriteBytes(dir.path() + "2024030507080998.spt", "a");
  WriteBytes(dir.path() + "\xD5\x66.txt", "b");
  CreateDirectoryPath(fs, dir.path() + "backup\\");
  CTextList list{"kept"};
  std::string noSlash = dir.path().substr(0, dir.path().size() - 1);
  ListFiles(fs, noSlash, list);
  EXPECT_EQ(Sorted(list), (std::vector<std::string>{"2024030507080998.spt", "backup", "kept", "\xD5\x66.txt"}))
      << "sub-directories are listed, . and .. are not, and the list is appended to";
  CTextList untouched{"x"};
  ListFiles(fs, dir.path() + "missing\\", untouched);
  EXPECT_EQ(untouched.Items(), std::vector<std::string>{"x"});
}

}  // namespace
}  // namespace kelvarion
