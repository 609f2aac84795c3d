// The two desktops made of ordinary top-level windows: which windows belong
// to which desktop, which one is shown, and what a switch, the window display
// list and the exit do to them. The window system is reached through a small
// port, so the bookkeeping runs without it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace kelvarion {

// A window handle as a number (an HWND on Windows). Handles stay in the lists
// after their windows are gone; every use asks the port first.
using WindowId = std::uintptr_t;

class DesktopWindowPort {
 public:
  virtual ~DesktopWindowPort() = default;
  // Every top-level window, in the system's order.
  virtual std::vector<WindowId> TopLevelWindows() = 0;
  virtual bool IsWindow(WindowId window) = 0;
  virtual bool IsVisible(WindowId window) = 0;
  // The process that owns the window; 0 when it is gone.
  virtual std::uint32_t ProcessId(WindowId window) = 0;
  // Shows or hides a window unless it is hung or gone; false then, and the
  // window is left as it was.
  virtual bool ShowIfResponsive(WindowId window, bool show) = 0;
  // The taskbar, the desktop and the indicator window, looked up now (those
  // that exist): a switch never touches them.
  virtual std::vector<WindowId> ShellWindows() = 0;
};

class CDesktopLists {
 public:
  // journalPath: the file that holds the hidden windows while there are any,
  // so that a crash or a logoff never leaves them hidden for good; empty for
  // none.
  CDesktopLists(FileSystem& files, std::string journalPath);

  // 0 on the first desktop (after start), 1 on the second.
  int State() const { return state_; }
  // Shown in state 0, hidden in state 1.
  const std::vector<WindowId>& FirstList() const { return first_; }
  // Shown in state 1, hidden in state 0.
  const std::vector<WindowId>& SecondList() const { return second_; }
  // The list of the desktop that is not shown now.
  const std::vector<WindowId>& HiddenList() const { return state_ == 0 ? second_ : first_; }

  // Flips to the other desktop: its windows are shown, the shown ones of this
  // desktop hidden, and every visible window in neither list joins the
  // desktop that is left. excluded: our own windows, never touched.
  void SwitchDesktop(DesktopWindowPort& port, const std::vector<WindowId>& excluded);

  // The window display list's outcome. openedState: the state when the list
  // was opened; shown windows belong to that desktop, hidden ones to the
  // other. Both lists are rebuilt from them (a window in both counts as
  // shown) and every window is shown or hidden as the current state wants.
  void ApplyWindowList(DesktopWindowPort& port, int openedState, const std::vector<WindowId>& shown,
                       const std::vector<WindowId>& hidden);

  // Shows every listed window again (the second list, then the first), as
  // at the exit and at the end of the session; the journal goes.
  void RestoreDesktopWindows(DesktopWindowPort& port);

  // At start: shows again the windows that the journal of an earlier run
  // names, when each is still the same window (same process) and hidden.
  // Those that do not answer join the hidden list, so they are not lost.
  // Returns the number shown.
  int ShowWindowsLeftHidden(DesktopWindowPort& port);

 private:
  // Writes the hidden windows that still exist to the journal, or removes it
  // when there are none.
  void SaveJournal(DesktopWindowPort& port);

  FileSystem& files_;
  std::string journalPath_;
  int state_ = 0;
  std::vector<WindowId> first_;
  std::vector<WindowId> second_;
};

// The journal's lines: "handle process-id", decimal.
struct JournalEntry {
  WindowId window = 0;
  std::uint32_t processId = 0;
  bool operator==(const JournalEntry&) const = default;
};
std::string FormatJournal(const std::vector<JournalEntry>& entries);
// Lines that are not two decimal numbers are skipped.
std::vector<JournalEntry> ParseJournal(const std::string& text);

}  // namespace kelvarion
