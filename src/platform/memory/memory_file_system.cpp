#include "platform/memory/memory_file_system.h"

#include <algorithm>
#include <cstring>

#include "base/dbcs.h"

namespace kelvarion {

namespace {

class MemoryFile : public File {
 public:
  MemoryFile(std::shared_ptr<std::string> bytes, bool append, long long limit)
      : bytes_(std::move(bytes)), append_(append), limit_(limit) {}

  std::size_t Read(void* buffer, std::size_t size) override {
    if (position_ >= bytes_->size()) return 0;
    std::size_t n = std::min(size, bytes_->size() - position_);
    std::memcpy(buffer, bytes_->data() + position_, n);
    position_ += n;
    return n;
  }
  std::size_t Write(const void* buffer, std::size_t size) override {
    if (append_) position_ = bytes_->size();
    std::size_t n = size;
    if (limit_ >= 0) {
      std::size_t room = position_ < static_cast<std::size_t>(limit_) ? static_cast<std::size_t>(limit_) - position_ : 0;
      n = std::min(n, room);
    }
    if (bytes_->size() < position_ + n) bytes_->resize(position_ + n);
    std::memcpy(bytes_->data() + position_, buffer, n);
    position_ += n;
    return n;
  }
  bool Seek(std::int64_t offset) override {
    if (offset < 0) return false;
    position_ = static_cast<std::size_t>(offset);
    return true;
  }
  std::int64_t Tell() override { return static_cast<std::int64_t>(position_); }
  std::int64_t Size() override { return static_cast<std::int64_t>(bytes_->size()); }

 private:
  std::shared_ptr<std::string> bytes_;
  bool append_;
  long long limit_;
  std::size_t position_ = 0;
};

}  // namespace

std::string MemoryFileSystem::Strip(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && EndsWithChar(p, '\\')) p.pop_back();
  return p;
}

void MemoryFileSystem::PutFile(const std::string& path, std::string bytes) {
  files_[path] = std::make_shared<std::string>(std::move(bytes));
}

std::string MemoryFileSystem::GetFile(const std::string& path) const {
  auto it = files_.find(path);
  return it == files_.end() ? std::string() : *it->second;
}

std::unique_ptr<File> MemoryFileSystem::Open(const std::string& path, OpenMode mode) {
  auto it = files_.find(path);
  switch (mode) {
    case OpenMode::kRead:
    case OpenMode::kReadWrite:
      if (failOpenRead || it == files_.end()) return nullptr;
      ++readOpens_;
      return std::make_unique<MemoryFile>(it->second, false, writeLimit);
    case OpenMode::kCreate:
    case OpenMode::kAppend: {
      if (failOpenWrite || directories_.count(Strip(path))) return nullptr;
      ++writeOpens_;
      if (it == files_.end()) it = files_.emplace(path, std::make_shared<std::string>()).first;
      if (mode == OpenMode::kCreate) it->second->clear();
      return std::make_unique<MemoryFile>(it->second, mode == OpenMode::kAppend, writeLimit);
    }
  }
  return nullptr;
}

std::vector<std::string> MemoryFileSystem::FilePaths() const {
  std::vector<std::string> paths;
  for (const auto& file : files_) paths.push_back(file.first);
  return paths;
}

bool MemoryFileSystem::Exists(const std::string& path) {
  return files_.count(path) != 0 || directories_.count(Strip(path)) != 0;
}

bool MemoryFileSystem::MakeDirectory(const std::string& path) {
  std::string p = Strip(path);
  if (p.empty() || files_.count(p)) return false;
  return directories_.insert(p).second;
}

bool MemoryFileSystem::ListDirectory(const std::string& directory, std::vector<std::string>& names) {
  std::string dir = Strip(directory);
  if (!directories_.count(dir)) return false;
  std::string prefix = dir + "\\";
  auto addChild = [&](const std::string& path) {
    if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
        FindChar(std::string_view(path).substr(prefix.size()), '\\') == std::string::npos)
      names.push_back(path.substr(prefix.size()));
  };
  for (const auto& entry : files_) addChild(entry.first);
  for (const std::string& d : directories_) addChild(d);
  return true;
}

bool MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
  auto it = files_.find(from);
  if (failRename || it == files_.end()) return false;
  auto bytes = it->second;
  files_.erase(it);
  files_[to] = bytes;
  return true;
}

bool MemoryFileSystem::RenameNew(const std::string& from, const std::string& to) {
  if (files_.count(to) != 0 || directories_.count(Strip(to)) != 0) return false;
  return Rename(from, to);
}

bool MemoryFileSystem::Remove(const std::string& path) {
  return files_.erase(path) != 0 || directories_.erase(Strip(path)) != 0;
}

}  // namespace kelvarion
