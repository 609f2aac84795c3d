#include "base/file_utils.h"

#include <climits>
#include <cstdint>
#include <new>
#include <vector>

#include "base/dbcs.h"

namespace kelvarion {

std::string AddTrailingBackslash(std::string_view path) {
  std::string out(path);
  if (!EndsWithChar(out, '\\')) out += '\\';
  return out;
}

std::string FileNamePart(std::string_view path) {
  std::size_t slash = FindLastChar(path, '\\');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string DirectoryPart(std::string_view path) {
  std::size_t slash = FindLastChar(path, '\\');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

int CreateDirectoryPath(FileSystem& fs, const std::string& path) {
  for (std::size_t slash = FindChar(path, '\\'); slash != std::string::npos; slash = FindChar(path, '\\', slash + 1)) {
    if (slash > 0) fs.MakeDirectory(path.substr(0, slash));
  }
  if (!path.empty()) fs.MakeDirectory(path);
  return 0;
}

bool FileExists(FileSystem& fs, const std::string& path) { return !path.empty() && fs.Exists(path); }

namespace {

// The size a file claims is used to reserve room up to this much; past it
// the bytes are taken as they come.
constexpr std::uint64_t kMaxSizeHint = 0xFFFFFFFFull;

template <typename Bytes>
bool ReadToEnd(File& file, Bytes& bytes, std::uint64_t limit) {
  using Byte = typename Bytes::value_type;
  bytes.clear();
  try {
    const std::int64_t size = file.Size();
    if (size > 0 && static_cast<std::uint64_t>(size) > limit) return false;
    if (size > 0 && static_cast<std::uint64_t>(size) <= kMaxSizeHint) bytes.reserve(static_cast<std::size_t>(size));
    if (!file.Seek(0)) return false;
    Byte chunk[65536];
    for (std::size_t n; (n = file.Read(chunk, sizeof chunk)) > 0;) {
      if (n > limit - bytes.size()) {
        bytes.clear();
        return false;
      }
      bytes.insert(bytes.end(), chunk, chunk + n);
    }
  } catch (const std::bad_alloc&) {
    bytes.clear();
    return false;
  }
  return true;
}

}  // namespace

bool ReadWholeFile(File& file, std::vector<std::uint8_t>& bytes, std::uint64_t limit) {
  return ReadToEnd(file, bytes, limit);
}

bool ReadWholeFile(FileSystem& fs, const std::string& path, std::string& bytes, std::uint64_t limit) {
  auto file = fs.Open(path, OpenMode::kRead);
  if (!file) {
    bytes.clear();
    return false;
  }
  return ReadToEnd(*file, bytes, limit);
}

int ReadTextFile(FileSystem& fs, const std::string& file, std::string& text) {
  auto f = fs.Open(file, OpenMode::kRead);
  if (!f) return -1;
  // The length is the result: a text it cannot count is refused whole,
  // before it is read, rather than counted wrong.
  constexpr std::size_t kMaxText = INT_MAX;
  if (f->Size() > static_cast<std::int64_t>(kMaxText)) return -2;
  constexpr std::size_t kBlock = 32768;
  std::vector<char> block(kBlock);
  std::string out;
  for (;;) {
    std::size_t got = f->Read(block.data(), kBlock);
    std::string_view part(block.data(), got);
    part = part.substr(0, part.find('\0'));
    // A file that grows while it is read.
    if (part.size() > kMaxText - out.size()) return -2;
    out.append(part);
    if (got < kBlock) break;
  }
  text = std::move(out);
  return static_cast<int>(text.size());
}

int WriteTextFile(FileSystem& fs, const std::string& file, const std::string& text) {
  auto f = fs.Open(file, OpenMode::kCreate);
  if (!f) return -1;
  return f->Write(text.data(), text.size()) == text.size() ? 0 : -1;
}

std::string ReplacementPath(const std::string& file) { return DirectoryPart(file) + "~" + FileNamePart(file) + ".tmp"; }

int ReplaceFileContents(FileSystem& fs, const std::string& file, const std::function<bool(File&)>& write) {
  if (file.empty() || fs.IsDirectory(file)) return -1;
  const std::string temporary = ReplacementPath(file);
  bool written = false;
  if (auto f = fs.Open(temporary, OpenMode::kCreate)) {
    written = write(*f) && f->Flush();
  }  // closed here, before the rename
  if (written && fs.Rename(temporary, file)) return 0;
  fs.Remove(temporary);
  return -1;
}

int ReplaceTextFile(FileSystem& fs, const std::string& file, std::string_view text) {
  return ReplaceFileContents(fs, file, [text](File& f) { return f.Write(text.data(), text.size()) == text.size(); });
}

int WriteDataFile(FileSystem& fs, const std::string& file, const CByteBuffer& buffer, bool append) {
  auto f = fs.Open(file, append ? OpenMode::kAppend : OpenMode::kCreate);
  if (!f) return -1;
  if (!buffer.GetData() || buffer.GetLength() <= 0) return 0;
  const auto length = static_cast<std::size_t>(buffer.GetLength());
  return f->Write(buffer.GetData(), length) == length ? 0 : -2;
}

void ListFiles(FileSystem& fs, const std::string& directory, CTextList& list) {
  std::vector<std::string> names;
  if (!fs.ListDirectory(AddTrailingBackslash(directory), names)) return;
  for (const std::string& name : names) list.Add(name);
}

}  // namespace kelvarion
