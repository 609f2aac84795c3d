// Growable arrays of texts and of 32-bit numbers with safe reads and growing
// writes, shared by most of the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvarion {

class CTextList {
 public:
  CTextList() = default;
  CTextList(std::initializer_list<std::string> items) : items_(items) {}

  int GetSize() const { return static_cast<int>(items_.size()); }
  bool IsEmpty() const { return items_.empty(); }
  void RemoveAll() { items_.clear(); }
  int Add(const std::string& text) {
    items_.push_back(text);
    return GetSize() - 1;
  }
  void InsertAt(int index, const std::string& text);
  void RemoveAt(int index);

  // A copy of the element, or the empty text when the index is out of range.
  std::string Get(int index) const;
  // Writing past the end grows the list to index + 1.
  void Set(int index, const std::string& text);
  // First index at or after start whose element equals the text (or contains
  // it, with partMatch); -1 when there is none.
  int Find(const std::string& text, int start = 0, bool ignoreCase = false, bool partMatch = false) const;
  // Ascending byte order of the multi-byte texts; upper-cased copies are
  // compared when ignoring case.
  void Sort(bool ignoreCase = false);

  const std::vector<std::string>& Items() const { return items_; }
  bool operator==(const CTextList&) const = default;

 private:
  std::vector<std::string> items_;
};

class CNumberList {
 public:
  int GetSize() const { return static_cast<int>(items_.size()); }
  void RemoveAll() { items_.clear(); }
  int Add(std::uint32_t value) {
    items_.push_back(value);
    return GetSize() - 1;
  }
  void RemoveAt(int index);

  // 0 when out of range.
  std::uint32_t Get(int index) const;
  void Set(int index, std::uint32_t value);
  // First index from start up to, not including, end (-1: the whole list)
  // holding the value; -1 when there is none.
  int Find(std::uint32_t value, int start = 0, int end = -1) const;

  const std::vector<std::uint32_t>& Items() const { return items_; }

 private:
  std::vector<std::uint32_t> items_;
};

}  // namespace kelvarion
