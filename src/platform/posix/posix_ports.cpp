#include "platform/posix/posix_ports.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/codepage.h"
#include "base/dbcs.h"

namespace kelvarion {

namespace {

class StdioFile : public File {
 public:
  explicit StdioFile(std::FILE* f) : f_(f) {}
  ~StdioFile() override { std::fclose(f_); }
  std::size_t Read(void* buffer, std::size_t size) override { return std::fread(buffer, 1, size, f_); }
  std::size_t Write(const void* buffer, std::size_t size) override { return std::fwrite(buffer, 1, size, f_); }
  bool Seek(std::int64_t offset) override { return offset >= 0 && fseeko(f_, offset, SEEK_SET) == 0; }
  std::int64_t Tell() override { return ftello(f_); }
  std::int64_t Size() override {
    std::fflush(f_);
    struct stat st;
    return fstat(fileno(f_), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
  }
  // The native build serves the tests, which need the write errors that
  // buffering would hide, not the disk's own flush.
  bool Flush() override { return std::fflush(f_) == 0; }

 private:
  std::FILE* f_;
};

const char* ModeText(OpenMode mode) {
  switch (mode) {
    case OpenMode::kRead: return "rb";
    case OpenMode::kReadWrite: return "rb+";
    case OpenMode::kCreate: return "wb";
    case OpenMode::kAppend: return "ab+";
  }
  return "rb";
}

}  // namespace

std::string HostPath(const std::string& path) {
  std::string p = path;
  for (std::size_t i = 0; i < p.size(); i += CharLength(p, i)) {
    if (CharLength(p, i) == 1 && p[i] == '\\') p[i] = '/';
  }
  return Cp936ToUtf8(p);
}

std::unique_ptr<File> PosixFileSystem::Open(const std::string& path, OpenMode mode) {
  std::string host = HostPath(path);
  struct stat st;
  if (stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
  std::FILE* f = std::fopen(host.c_str(), ModeText(mode));
  if (!f) return nullptr;
  return std::make_unique<StdioFile>(f);
}

bool PosixFileSystem::Exists(const std::string& path) {
  std::string host = HostPath(path);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  struct stat st;
  if (stat(host.c_str(), &st) == 0) return true;
  if (host.find_first_of("*?") == std::string::npos) return false;
  std::size_t slash = host.rfind('/');
  std::string dir = slash == std::string::npos ? "." : host.substr(0, slash == 0 ? 1 : slash);
  std::string pattern = slash == std::string::npos ? host : host.substr(slash + 1);
  DIR* d = opendir(dir.c_str());
  if (!d) return false;
  bool found = false;
  while (dirent* e = readdir(d)) {
    if (fnmatch(pattern.c_str(), e->d_name, 0) == 0) {
      found = true;
      break;
    }
  }
  closedir(d);
  return found;
}

bool PosixFileSystem::IsDirectory(const std::string& path) {
  struct stat st;
  return stat(HostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::MakeDirectory(const std::string& path) { return mkdir(HostPath(path).c_str(), 0777) == 0; }

bool PosixFileSystem::ListDirectory(const std::string& directory, std::vector<std::string>& names) {
  DIR* d = opendir(HostPath(directory).c_str());
  if (!d) return false;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    names.push_back(Utf8ToCp936(name));
  }
  closedir(d);
  return true;
}

bool PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  return std::rename(HostPath(from).c_str(), HostPath(to).c_str()) == 0;
}

bool PosixFileSystem::RenameNew(const std::string& from, const std::string& to) {
  const std::string source = HostPath(from), target = HostPath(to);
  if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a hard link fails on an existing name too.
  if (link(source.c_str(), target.c_str()) != 0) return false;
  unlink(source.c_str());
  return true;
}

bool PosixFileSystem::Remove(const std::string& path) {
  std::string host = HostPath(path);
  return unlink(host.c_str()) == 0 || rmdir(host.c_str()) == 0;
}

ClockReading PosixClock::Now() {
  timeval tv;
  gettimeofday(&tv, nullptr);
  return ClockReading{static_cast<std::time_t>(tv.tv_sec), static_cast<int>(tv.tv_usec / 1000)};
}

}  // namespace kelvarion
