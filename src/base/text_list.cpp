#include "base/text_list.h"

#include <utility>

#include "base/dbcs.h"

namespace kelvarion {

void CTextList::InsertAt(int index, const std::string& text) {
  if (index < 0) index = 0;
  if (index >= GetSize()) {
    Set(index, text);
    return;
  }
  items_.insert(items_.begin() + index, text);
}

void CTextList::RemoveAt(int index) {
  if (index >= 0 && index < GetSize()) items_.erase(items_.begin() + index);
}

std::string CTextList::Get(int index) const {
  if (index < 0 || index >= GetSize()) return std::string();
  return items_[static_cast<std::size_t>(index)];
}

void CTextList::Set(int index, const std::string& text) {
  if (index < 0) return;
  if (index >= GetSize()) items_.resize(static_cast<std::size_t>(index) + 1);
  items_[static_cast<std::size_t>(index)] = text;
}

int CTextList::Find(const std::string& text, int start, bool ignoreCase, bool partMatch) const {
  const std::string wanted = ignoreCase ? ToLower(text) : text;
  for (int i = start < 0 ? 0 : start; i < GetSize(); ++i) {
    const std::string item = ignoreCase ? ToLower(items_[static_cast<std::size_t>(i)]) : items_[static_cast<std::size_t>(i)];
    if (partMatch ? FindText(item, wanted) != std::string::npos : item == wanted) return i;
  }
  return -1;
}

void CTextList::Sort(bool ignoreCase) {
  // An exchange sort keeps equal elements in a predictable order, as the
  // lists sorted here are short (the formats of one clipboard).
  auto key = [ignoreCase](const std::string& s) { return ignoreCase ? ToUpper(s) : s; };
  const std::size_t n = items_.size();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      if (key(items_[j]).compare(key(items_[i])) < 0) std::swap(items_[i], items_[j]);
    }
  }
}

void CNumberList::RemoveAt(int index) {
  if (index >= 0 && index < GetSize()) items_.erase(items_.begin() + index);
}

std::uint32_t CNumberList::Get(int index) const {
  if (index < 0 || index >= GetSize()) return 0;
  return items_[static_cast<std::size_t>(index)];
}

void CNumberList::Set(int index, std::uint32_t value) {
  if (index < 0) return;
  if (index >= GetSize()) items_.resize(static_cast<std::size_t>(index) + 1, 0);
  items_[static_cast<std::size_t>(index)] = value;
}

int CNumberList::Find(std::uint32_t value, int start, int end) const {
  if (end < 0 || end > GetSize()) end = GetSize();
  for (int i = start < 0 ? 0 : start; i < end; ++i) {
    if (items_[static_cast<std::size_t>(i)] == value) return i;
  }
  return -1;
}

}  // namespace kelvarion
