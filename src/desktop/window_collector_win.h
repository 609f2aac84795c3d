// Top-level windows gathered with EnumWindows, through a filter, into an
// array of fixed capacity: enough for the queries that walk them, and never
// more memory than was asked for, however many windows there are.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

namespace kelvarion {

class CWindowCollector {
 public:
  explicit CWindowCollector(std::size_t capacity) : capacity_(capacity) {}
  virtual ~CWindowCollector() = default;
  CWindowCollector(const CWindowCollector&) = delete;
  CWindowCollector& operator=(const CWindowCollector&) = delete;

  // Gathers anew every top-level window the filter accepts, in the system's
  // order, up to the capacity (the rest are dropped; the walk goes on to its
  // end); the cursor is then at the first entry.
  void Collect();

  std::size_t Count() const { return windows_.size(); }
  const std::vector<HWND>& Windows() const { return windows_; }
  bool Contains(HWND window) const;
  // The entry at the cursor, which moves on; false past the end.
  bool Next(HWND& window);

 protected:
  // The base accepts every window.
  virtual bool Filter(HWND) { return true; }

 private:
  static BOOL CALLBACK Visit(HWND window, LPARAM self);

  std::size_t capacity_;
  std::vector<HWND> windows_;
  std::size_t cursor_ = 0;
};

// The visible top-level windows of one process.
class CProcessWindowCollector : public CWindowCollector {
 public:
  CProcessWindowCollector(std::size_t capacity, DWORD processId)
      : CWindowCollector(capacity), processId_(processId) {}

 protected:
  bool Filter(HWND window) override;

 private:
  DWORD processId_;
};

}  // namespace kelvarion
