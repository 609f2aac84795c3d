#include "platform/win32/win32_ports.h"

#include <windows.h>

#include "win/text_win.h"

// The ports' member names are also <windows.h> macros; this file calls the W
// functions by their full names, so the macros only get in the way.
#undef CreateDirectory
#undef GetComputerName
#undef GetUserName

namespace kelvarion {

namespace {

class Win32File : public File {
 public:
  explicit Win32File(HANDLE h) : h_(h) {}
  ~Win32File() override { CloseHandle(h_); }
  std::size_t Read(void* buffer, std::size_t size) override {
    std::size_t total = 0;
    auto* p = static_cast<char*>(buffer);
    while (total < size) {
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - total, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(h_, p + total, chunk, &got, nullptr) || got == 0) break;
      total += got;
    }
    return total;
  }
  std::size_t Write(const void* buffer, std::size_t size) override {
    std::size_t total = 0;
    auto* p = static_cast<const char*>(buffer);
    while (total < size) {
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - total, 1u << 30));
      DWORD put = 0;
      if (!WriteFile(h_, p + total, chunk, &put, nullptr) || put == 0) break;
      total += put;
    }
    return total;
  }
  bool Seek(std::int64_t offset) override {
    if (offset < 0) return false;
    LARGE_INTEGER li;
    li.QuadPart = offset;
    return SetFilePointerEx(h_, li, nullptr, FILE_BEGIN) != 0;
  }
  std::int64_t Tell() override {
    LARGE_INTEGER zero{}, pos{};
    return SetFilePointerEx(h_, zero, &pos, FILE_CURRENT) ? pos.QuadPart : -1;
  }
  std::int64_t Size() override {
    LARGE_INTEGER size{};
    return GetFileSizeEx(h_, &size) ? size.QuadPart : -1;
  }
  bool Flush() override { return FlushFileBuffers(h_) != 0; }

 private:
  HANDLE h_;
};

}  // namespace

std::unique_ptr<File> Win32FileSystem::Open(const std::string& path, OpenMode mode) {
  DWORD access = GENERIC_READ, disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::kRead: break;
    case OpenMode::kReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    case OpenMode::kCreate: access = GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
    case OpenMode::kAppend: access = FILE_APPEND_DATA | GENERIC_READ; disposition = OPEN_ALWAYS; break;
  }
  HANDLE h = CreateFileW(Widen(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32File>(h);
}

bool Win32FileSystem::Exists(const std::string& path) {
  std::wstring wide = Widen(path);
  while (wide.size() > 3 && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
  if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(wide.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  return true;
}

bool Win32FileSystem::IsDirectory(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::MakeDirectory(const std::string& path) {
  return CreateDirectoryW(Widen(path).c_str(), nullptr) != 0;
}

bool Win32FileSystem::ListDirectory(const std::string& directory, std::vector<std::string>& names) {
  std::wstring pattern = Widen(directory);
  if (pattern.empty() || (pattern.back() != L'\\' && pattern.back() != L'/')) pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE) return false;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    names.push_back(Narrow(name));
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return true;
}

bool Win32FileSystem::Rename(const std::string& from, const std::string& to) {
  return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32FileSystem::RenameNew(const std::string& from, const std::string& to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing target.
  return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32FileSystem::Remove(const std::string& path) {
  std::wstring wide = Widen(path);
  return DeleteFileW(wide.c_str()) != 0 || RemoveDirectoryW(wide.c_str()) != 0;
}

ClockReading Win32Clock::Now() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  ULARGE_INTEGER t;
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  // 100 ns steps since 1601 to milliseconds since 1970.
  unsigned long long ms = t.QuadPart / 10000ULL - 11644473600000ULL;
  return ClockReading{static_cast<std::time_t>(ms / 1000), static_cast<int>(ms % 1000)};
}

std::string Win32Environment::ModulePath() {
  wchar_t buffer[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  return Narrow(std::wstring_view(buffer, n));
}

std::string Win32Environment::ComputerName() {
  wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD n = static_cast<DWORD>(std::size(buffer));
  if (!GetComputerNameW(buffer, &n)) return std::string();
  return Narrow(std::wstring_view(buffer, n));
}

std::string Win32Environment::UserName() {
  wchar_t buffer[257];
  DWORD n = static_cast<DWORD>(std::size(buffer));
  if (!GetUserNameW(buffer, &n)) return std::string();
  return Narrow(std::wstring_view(buffer, n > 0 ? n - 1 : 0));
}

void MessageBoxUserNotice::Show(const std::string& text, const std::string& caption, NoticeIcon icon) {
  MessageBoxW(GetActiveWindow(), Widen(text).c_str(), Widen(caption).c_str(),
              MB_OK | (icon == NoticeIcon::kStop ? MB_ICONSTOP : 0));
}

}  // namespace kelvarion
