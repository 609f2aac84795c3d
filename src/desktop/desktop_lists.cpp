#include "desktop/desktop_lists.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "base/file_utils.h"

namespace kelvarion {

namespace {

bool Contains(const std::vector<WindowId>& list, WindowId window) {
  return std::find(list.begin(), list.end(), window) != list.end();
}

void AppendOnce(std::vector<WindowId>& list, WindowId window) {
  if (!Contains(list, window)) list.push_back(window);
}

// A journal larger than this is no journal of ours.
constexpr std::uint64_t kJournalLimit = 1 << 20;

}  // namespace

CDesktopLists::CDesktopLists(FileSystem& files, std::string journalPath)
    : files_(files), journalPath_(std::move(journalPath)) {}

void CDesktopLists::SwitchDesktop(DesktopWindowPort& port, const std::vector<WindowId>& excluded) {
  const std::vector<WindowId> shell = port.ShellWindows();
  state_ = state_ == 0 ? 1 : 0;
  std::vector<WindowId>& coming = state_ == 1 ? second_ : first_;
  std::vector<WindowId>& leaving = state_ == 1 ? first_ : second_;
  for (WindowId window : coming) port.ShowIfResponsive(window, true);

  for (WindowId window : port.TopLevelWindows()) {
    if (Contains(excluded, window) || Contains(shell, window) || !port.IsVisible(window)) continue;
    if (Contains(leaving, window)) {
      port.ShowIfResponsive(window, false);
    } else if (Contains(coming, window)) {
      port.ShowIfResponsive(window, true);
    } else if (port.ShowIfResponsive(window, false)) {
      // Visible and in neither list: it belongs to the desktop just left.
      leaving.push_back(window);
    }
  }
  SaveJournal(port);
}

void CDesktopLists::ApplyWindowList(DesktopWindowPort& port, int openedState, const std::vector<WindowId>& shown,
                                    const std::vector<WindowId>& hidden) {
  std::vector<WindowId>& opened = openedState == 0 ? first_ : second_;
  std::vector<WindowId>& other = openedState == 0 ? second_ : first_;
  opened.clear();
  other.clear();
  for (WindowId window : shown) AppendOnce(opened, window);
  // A window listed twice (hidden, then shown again by its program) stays
  // where the user can see it.
  for (WindowId window : hidden)
    if (!Contains(opened, window)) AppendOnce(other, window);

  const bool openedIsShown = openedState == state_;
  for (WindowId window : opened) port.ShowIfResponsive(window, openedIsShown);
  for (WindowId window : other) port.ShowIfResponsive(window, !openedIsShown);
  SaveJournal(port);
}

void CDesktopLists::RestoreDesktopWindows(DesktopWindowPort& port) {
  for (WindowId window : second_) port.ShowIfResponsive(window, true);
  for (WindowId window : first_) port.ShowIfResponsive(window, true);
  if (!journalPath_.empty() && files_.Exists(journalPath_)) files_.Remove(journalPath_);
}

int CDesktopLists::ShowWindowsLeftHidden(DesktopWindowPort& port) {
  if (journalPath_.empty()) return 0;
  std::string text;
  if (!ReadWholeFile(files_, journalPath_, text, kJournalLimit)) return 0;
  int shownCount = 0;
  std::vector<WindowId>& hiddenNow = state_ == 0 ? second_ : first_;
  for (const JournalEntry& entry : ParseJournal(text)) {
    // A handle can be reused after its window closed: only the same
    // process's window, still hidden, is the one we hid.
    if (!port.IsWindow(entry.window) || port.ProcessId(entry.window) != entry.processId ||
        port.IsVisible(entry.window))
      continue;
    if (port.ShowIfResponsive(entry.window, true)) ++shownCount;
    else AppendOnce(hiddenNow, entry.window);
  }
  SaveJournal(port);
  return shownCount;
}

void CDesktopLists::SaveJournal(DesktopWindowPort& port) {
  if (journalPath_.empty()) return;
  std::vector<JournalEntry> entries;
  for (WindowId window : HiddenList()) {
    if (!port.IsWindow(window)) continue;
    entries.push_back({window, port.ProcessId(window)});
  }
  if (entries.empty()) {
    if (files_.Exists(journalPath_)) files_.Remove(journalPath_);
    return;
  }
  ReplaceTextFile(files_, journalPath_, FormatJournal(entries));
}

std::string FormatJournal(const std::vector<JournalEntry>& entries) {
  std::string text;
  for (const JournalEntry& entry : entries)
    text += std::to_string(entry.window) + " " + std::to_string(entry.processId) + "\r\n";
  return text;
}

std::vector<JournalEntry> ParseJournal(const std::string& text) {
  std::vector<JournalEntry> entries;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;

    JournalEntry entry;
    const char* first = line.data();
    const char* last = line.data() + line.size();
    auto [afterWindow, windowError] = std::from_chars(first, last, entry.window);
    if (windowError != std::errc() || afterWindow == last || *afterWindow != ' ') continue;
    auto [afterProcess, processError] = std::from_chars(afterWindow + 1, last, entry.processId);
    if (processError != std::errc() || afterProcess != last || entry.window == 0) continue;
    entries.push_back(entry);
  }
  return entries;
}

}  // namespace kelvarion
