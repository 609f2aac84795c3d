// Top-level windows gathered with EnumWindows into an array of fixed
// capacity: enough for the queries that walk them, and never more memory
// than was asked for, however many windows there are.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

namespace kelvarion {

class CWindowCollector {
 public:
  explicit CWindowCollector(std::size_t capacity) : capacity_(capacity) {}
  CWindowCollector(const CWindowCollector&) = delete;
  CWindowCollector& operator=(const CWindowCollector&) = delete;

  // Gathers anew every top-level window, in the system's order, up to the
  // capacity (the rest are dropped; the walk goes on to its end); the
  // cursor is then at the first entry.
  void Collect();

  std::size_t Count() const { return windows_.size(); }
  const std::vector<HWND>& Windows() const { return windows_; }
  bool Contains(HWND window) const;
  // The entry at the cursor, which moves on; false past the end.
  bool Next(HWND& window);

 private:
  static BOOL CALLBACK Visit(HWND window, LPARAM self);

  std::size_t capacity_;
  std::vector<HWND> windows_;
  std::size_t cursor_ = 0;
};

}  // namespace kelvarion
