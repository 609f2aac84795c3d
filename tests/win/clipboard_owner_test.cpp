// The clipboard file operations against the real clipboard while another
// process owns it, as when the user copies in some other program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "clip/clipboard_file.h"
#include "helpers/clip_setter_protocol.h"
#include "platform/win32/win32_clipboard.h"
#include "platform/win32/win32_ports.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

namespace setter = clip_setter;

constexpr DWORD kStartDeadlineMs = 20000;
constexpr DWORD kExitDeadlineMs = 10000;

std::wstring HelperPath(const wchar_t* name) {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

// clip_setter.exe, started and stopped by scope.
class ClipSetterProcess {
 public:
  ClipSetterProcess() {
    const std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
    const std::wstring readyName = L"Local\\Kelvarion-clip-ready-" + tag;
    const std::wstring exitName = L"Local\\Kelvarion-clip-exit-" + tag;
    ready_ = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
    exit_ = CreateEventW(nullptr, TRUE, FALSE, exitName.c_str());
    std::wstring command = L"\"" + HelperPath(L"clip_setter.exe") + L"\" " + readyName + L" " + exitName;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (ready_ && exit_ &&
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_)) {
      CloseHandle(process_.hThread);
      started_ = true;
    }
  }
  ~ClipSetterProcess() {
    if (started_) {
      SetEvent(exit_);
      if (WaitForSingleObject(process_.hProcess, kExitDeadlineMs) != WAIT_OBJECT_0) {
        TerminateProcess(process_.hProcess, 99);
      }
      CloseHandle(process_.hProcess);
    }
    if (ready_) CloseHandle(ready_);
    if (exit_) CloseHandle(exit_);
  }
  ClipSetterProcess(const ClipSetterProcess&) = delete;
  ClipSetterProcess& operator=(const ClipSetterProcess&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return process_.dwProcessId; }

  // True once the helper has set the clipboard; false when it ended first or
  // the deadline passed.
  bool WaitUntilReady() {
    HANDLE handles[2] = {ready_, process_.hProcess};
    return WaitForMultipleObjects(2, handles, FALSE, kStartDeadlineMs) == WAIT_OBJECT_0;
  }
  bool StillRunning() { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
  // The helper's exit code once it has been told to end; -1 when it does not end in time.
  long StopAndGetExitCode() {
    SetEvent(exit_);
    if (WaitForSingleObject(process_.hProcess, kExitDeadlineMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  HANDLE ready_ = nullptr;
  HANDLE exit_ = nullptr;
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

// A format's bytes straight from the system, past our port.
std::string SystemClipboardBytes(UINT format) {
  std::string bytes;
  if (!OpenClipboard(nullptr)) return bytes;
  if (HANDLE h = GetClipboardData(format)) {
    if (const void* p = GlobalLock(h)) {
      bytes.assign(static_cast<const char*>(p), GlobalSize(h));
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return bytes;
}

std::string WideBytes(const wchar_t* text) {
  return std::string(reinterpret_cast<const char*>(text), (std::wcslen(text) + 1) * sizeof(wchar_t));
}

TEST(ClipboardOwner, StateOwnedByAnotherProcessIsWrittenAndPutBack) {
  ClipSetterProcess helper;
  ASSERT_TRUE(helper.started()) << "clip_setter.exe could not be started from beside the tests";
  ASSERT_TRUE(helper.WaitUntilReady()) << "clip_setter.exe did not set the clipboard in time";

  Win32Clipboard clipboard;
  const auto owner = clipboard.GetOwner();
  ASSERT_NE(owner, 0u) << "the clipboard has no owner";
  DWORD ownerProcess = 0;
  GetWindowThreadProcessId(reinterpret_cast<HWND>(owner), &ownerProcess);
  EXPECT_EQ(ownerProcess, helper.id()) << "the clipboard's owner is not the helper's window";

  CTextList names;
  CNumberList ids;
  ASSERT_GT(CollectClipboardFormats(clipboard, names, &ids), 0);
  const char* registeredName = "Kelvarion-test-owner-format";
  for (const char* expected : {"UNICODETEXT", registeredName, "BITMAP"}) {
    EXPECT_GE(names.Find(expected), 0) << expected << " is not among the collected formats";
  }

  test::ScratchDir dir;
  Win32FileSystem files;
  const std::string path = dir.path() + "owned.cbf";
  const std::string memo = "来自另一个进程";
  EXPECT_EQ(WriteClipboardFile(clipboard, files, path, owner, memo), names.GetSize());
  EXPECT_EQ(clipboard.GetOwner(), owner) << "writing a file must not take the clipboard over";

  std::string readMemo;
  CTextList stored;
  CNumberList sizes;
  ASSERT_EQ(ReadClipboardFileInfo(files, path, readMemo, &stored, &sizes), names.GetSize());
  EXPECT_EQ(readMemo, memo);
  EXPECT_EQ(stored, names) << "records in clipboard order";
  EXPECT_EQ(sizes.Get(stored.Find("BITMAP")), 0u) << "the bitmap handle has no bytes";
  EXPECT_EQ(sizes.Get(stored.Find(registeredName)), sizeof setter::kRegisteredBytes);
  EXPECT_EQ(sizes.Get(stored.Find("UNICODETEXT")), sizeof setter::kText);
  int withBytes = 0;
  for (std::uint32_t size : sizes.Items()) withBytes += size > 0 ? 1 : 0;

  const std::string markerText = BuildMarkerText("C:\\tools\\setter.exe", 0, memo);
  const auto program = test::ProgramWindow();
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, program, std::string(stored.GetSize(), '0'), markerText),
            withBytes + 1);
  // Windows refuses data on a clipboard emptied without a window; Wine does
  // not, so the owner is what shows the restore opened it for ours.
  EXPECT_EQ(clipboard.GetOwner(), program) << "the restored clipboard must be the program's";
  EXPECT_EQ(SystemClipboardBytes(CF_UNICODETEXT), WideBytes(setter::kText));
  EXPECT_EQ(SystemClipboardBytes(RegisterClipboardFormatW(setter::kRegisteredFormat)),
            std::string(reinterpret_cast<const char*>(setter::kRegisteredBytes), sizeof setter::kRegisteredBytes));
  EXPECT_EQ(SystemClipboardBytes(RegisterClipboardFormatW(L"Kelvarion-marker-format")),
            markerText + std::string(1, '\0'));

  EXPECT_TRUE(helper.StillRunning()) << "the former owner did not survive losing the clipboard";
  EXPECT_EQ(helper.StopAndGetExitCode(), setter::kExitOk) << "clip_setter.exe failed or did not end in time";
}

// Another thread of this process keeps the clipboard open until released.
class ClipboardHolder {
 public:
  ClipboardHolder()
      : opened_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    // With a window of its own: an opener without one would let others
    // without one in.
    thread_ = std::thread([this] {
      HWND window = CreateWindowExW(0, L"STATIC", L"clipboard holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    nullptr, nullptr);
      held_ = window && OpenClipboard(window);
      SetEvent(opened_);
      WaitForSingleObject(release_, kExitDeadlineMs);
      if (held_) CloseClipboard();
      if (window) DestroyWindow(window);
    });
  }
  ~ClipboardHolder() {
    Release();
    CloseHandle(opened_);
    CloseHandle(release_);
  }
  bool WaitUntilHeld() { return WaitForSingleObject(opened_, kStartDeadlineMs) == WAIT_OBJECT_0 && held_; }
  void Release() {
    SetEvent(release_);
    if (thread_.joinable()) thread_.join();
  }

 private:
  HANDLE opened_;
  HANDLE release_;
  bool held_ = false;
  std::thread thread_;
};

TEST(ClipboardOwner, ClipboardHeldOpenElsewhereIsReportedNotWaitedFor) {
  Win32Clipboard clipboard;
  test::ScratchDir dir;
  Win32FileSystem files;
  // A file without records: restoring it places the marker only.
  const std::string path = dir.path() + "held.cbf";
  test::WriteBytes(path, std::string("\x00\x00\x01\x00\x08\x00\x00\x00\x01\x00\x00\x00\x00", 13));
  ASSERT_EQ(RestoreClipboardFile(clipboard, files, path, test::ProgramWindow(), "", std::string("before")), 1);

  ClipboardHolder holder;
  ASSERT_TRUE(holder.WaitUntilHeld()) << "the holding thread could not open the clipboard";
  CTextList names;
  EXPECT_EQ(CollectClipboardFormats(clipboard, names), -2) << "the clipboard is held by another thread";
  EXPECT_EQ(CollectSortedFormatNames(clipboard, names), -2);
  EXPECT_EQ(WriteClipboardFile(clipboard, files, dir.path() + "w.cbf", 0, "m"), -2);
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, test::ProgramWindow(), "", std::string("during")), -3);
  holder.Release();

  EXPECT_EQ(SystemClipboardBytes(RegisterClipboardFormatW(L"Kelvarion-marker-format")), std::string("before", 7))
      << "a restore that could not open the clipboard changed it";
  EXPECT_EQ(RestoreClipboardFile(clipboard, files, path, test::ProgramWindow(), "", std::string("after")), 1)
      << "once released, the clipboard opens again";
}

}  // namespace
}  // namespace kelvarion
