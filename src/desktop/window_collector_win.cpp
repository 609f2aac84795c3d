#include "desktop/window_collector_win.h"

#include <algorithm>

namespace kelvarion {

void CWindowCollector::Collect() {
  windows_.clear();
  cursor_ = 0;
  EnumWindows(Visit, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK CWindowCollector::Visit(HWND window, LPARAM self) {
  auto* collector = reinterpret_cast<CWindowCollector*>(self);
  if (collector->windows_.size() < collector->capacity_) collector->windows_.push_back(window);
  return TRUE;
}

bool CWindowCollector::Contains(HWND window) const {
  return std::find(windows_.begin(), windows_.end(), window) != windows_.end();
}

bool CWindowCollector::Next(HWND& window) {
  if (cursor_ >= windows_.size()) return false;
  window = windows_[cursor_++];
  return true;
}

}  // namespace kelvarion
