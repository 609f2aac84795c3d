#include "win/process.h"

#include "base/file_utils.h"
#include "win/text_win.h"

namespace kelvarion {

bool StartProgram(const std::string& commandLine, int show, const std::string& directory) {
  std::wstring line = Widen(commandLine);
  const std::wstring folder = Widen(directory);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION process = {};
  if (line.empty() || !CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      folder.empty() ? nullptr : folder.c_str(), &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

std::string ExplorerPath() {
  // The system's Windows directory: on a terminal server GetWindowsDirectoryW
  // can give a private one per user instead.
  wchar_t directory[MAX_PATH];
  const UINT n = GetSystemWindowsDirectoryW(directory, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  return AddTrailingBackslash(Narrow(std::wstring_view(directory, n))) + "explorer.exe";
}

std::string OwnCommandLine(const std::string& exePath, const std::string& switchText) {
  return "\"" + exePath + "\"" + switchText;
}

}  // namespace kelvarion
