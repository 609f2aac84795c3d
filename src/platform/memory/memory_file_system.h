// An in-memory file system for fuzzing and for tests of failure paths: files
// and directories keyed by their exact path, and switches that make it fail
// on purpose.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace kelvarion {

class MemoryFileSystem : public FileSystem {
 public:
  // Test setup and inspection.
  void PutFile(const std::string& path, std::string bytes);
  // The file's bytes; empty when there is no such file.
  std::string GetFile(const std::string& path) const;
  bool HasFile(const std::string& path) const { return files_.count(path) != 0; }
  // The paths of every file, in any directory, in sorted order.
  std::vector<std::string> FilePaths() const;
  int WriteOpenCount() const { return writeOpens_; }
  int ReadOpenCount() const { return readOpens_; }

  // Failures on purpose.
  bool failOpenRead = false;   // kRead and kReadWrite opens fail
  bool failOpenWrite = false;  // kCreate and kAppend opens fail
  long long writeLimit = -1;   // a file takes at most this many bytes (-1: no limit)
  bool failRename = false;     // Rename fails and changes nothing

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override { return directories_.count(Strip(path)) != 0; }
  bool MakeDirectory(const std::string& path) override;
  bool ListDirectory(const std::string& directory, std::vector<std::string>& names) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool RenameNew(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;

 private:
  static std::string Strip(const std::string& path);  // without trailing "\"

  std::map<std::string, std::shared_ptr<std::string>> files_;
  std::set<std::string> directories_;
  int writeOpens_ = 0;
  int readOpens_ = 0;
};

}  // namespace kelvarion
