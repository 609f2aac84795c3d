// Files as the core sees them. Paths are code page 936 bytes in Windows form
// ("C:\dir\file.ext"); the POSIX implementation maps them onto the host's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kelvarion {

class File {
 public:
  virtual ~File() = default;
  // Both return the number of bytes transferred.
  virtual std::size_t Read(void* buffer, std::size_t size) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t size) = 0;
  virtual bool Seek(std::int64_t offset) = 0;  // from the start of the file
  virtual std::int64_t Tell() = 0;
  virtual std::int64_t Size() = 0;
  // Puts what was written on the disk itself; false when that failed.
  virtual bool Flush() { return true; }
};

enum class OpenMode {
  kRead,       // "rb": existing file, read only
  kReadWrite,  // "rb+": existing file, read and write
  kCreate,     // "wb": created or truncated, write only
  kAppend,     // "ab+": created when missing, writes go to the end
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode) = 0;
  // True for an existing file or directory; wildcards (* and ?) in the last
  // component match too.
  virtual bool Exists(const std::string& path) = 0;
  virtual bool IsDirectory(const std::string& path) = 0;
  virtual bool MakeDirectory(const std::string& path) = 0;
  // Entry names (no path) of a directory, "." and ".." left out; false when
  // the directory cannot be read.
  virtual bool ListDirectory(const std::string& directory, std::vector<std::string>& names) = 0;
  // Replaces an existing target, and returns only once the new name is on
  // the disk.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  // The same, except that it never replaces anything: false when the target
  // exists (a file that appeared from outside keeps its name and bytes).
  // Doubles that only watch another file system forward it; the default is
  // for doubles that do not care about the difference.
  virtual bool RenameNew(const std::string& from, const std::string& to) {
    return !Exists(to) && Rename(from, to);
  }
  virtual bool Remove(const std::string& path) = 0;
};

}  // namespace kelvarion
