// The rows of the history list, newest first, held by us and shown through a
// virtual list view. A row is one history file; what it shows is worked out
// from the file lazily, the first time the row is looked at, so that a
// directory of 100,000 files lists quickly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_list.h"
#include "clip/history_file.h"
#include "platform/file_system.h"

namespace kelvarion {

class CFormatListTable;

// The five columns of a row: shown text, file name, icon file, icon index,
// type (0 text, -1 image, else the format-set number).
//
// A history of 100,000 files lists them all, and most rows are never drawn:
// until it is, a row is its file name (held in place: history names are 20
// characters), its icon index and type. Text and icon file come with the
// first look.
class HistoryRow {
 public:
  HistoryRow() = default;
  HistoryRow(const HistoryRow& other);
  HistoryRow& operator=(const HistoryRow& other);
  HistoryRow(HistoryRow&&) noexcept = default;
  HistoryRow& operator=(HistoryRow&&) noexcept = default;

  std::string FileName() const;
  bool HasFileName(std::string_view name) const { return FileNameView() == name; }
  void SetFileName(std::string_view name);
  // A clipboard file's memo as stored: it may span lines.
  const std::string& Text() const;
  void SetText(std::string text);
  const std::string& IconFile() const;
  void SetIconFile(std::string iconFile);

  int iconIndex = 0;
  int type = 0;
  int image = -1;          // position in the icon cache, -1 until looked up
  bool resolved = true;    // false: text, icon and type still to be read from the file
  bool unreadable = false; // its file turned out unreadable: the row is to go

 private:
  static constexpr std::size_t kNameInPlace = 20;
  struct Details {
    std::string text;
    std::string iconFile;
    std::string longName;  // a name that does not fit in place
  };
  std::string_view FileNameView() const;
  Details& MakeDetails();

  char name_[kNameInPlace] = {};
  std::uint8_t nameLength_ = 0;  // kNameInPlace + 1: the name is details_->longName
  std::unique_ptr<Details> details_;
};

// The row's text as the list and the paste menu show it, on one line, in the
// kept form of history texts (base/history_text.h): a clipboard file's memo
// folded (FoldText), any other row's text as it is.
std::string ShownRowText(const HistoryRow& row);

class CHistoryRows {
 public:
  int GetCount() const { return static_cast<int>(rows_.size()); }
  // Row 0 is the newest (the top of the list). Out of range: nullptr.
  HistoryRow* At(int index);
  const HistoryRow* At(int index) const;
  // Inserts at the top and returns 0.
  int AddAtTop(HistoryRow row);
  void Remove(int index);
  // The file name of a row, empty when the index is out of range.
  std::string GetRowFileName(int index) const;
  // First row index whose type equals the number, from start on; -1 if none.
  // Rows not yet resolved (their type is not known) and unreadable rows never match.
  int FindType(int type, int start = 0) const;
  // The index of the row of that history file, newest first; -1 if none. Rows
  // move whenever a capture lands at the top, so anything that waits for the
  // user (a menu, a dialog) notes the file name and looks the row up again.
  int FindFileName(const std::string& fileName) const;
  // Takes out every row marked unreadable; returns how many went.
  int RemoveUnreadable();
  void Clear() { rows_.clear(); }
  void Reserve(std::size_t n) { rows_.reserve(n); }

 private:
  // Stored oldest first so that adding at the top is cheap.
  std::vector<HistoryRow> rows_;
};

// What the first fill of the list found in the history directory.
struct HistoryFill {
  bool oldHistory = false;  // some history file is older than the cut-off
  std::string lastText;     // whole text of the newest row when it is a ".spt" of at most 16 MiB
};

// Lists the history directory and puts a row for every history file stamped
// at or after the cut-off (a 16-digit stamp) into rows, newest on top,
// unresolved. Files are taken in ascending name order, so the newest file is
// the top row whatever order the directory lists them in.
// Every history file listed, old ones too, goes into stamps when given.
HistoryFill FillHistoryRows(FileSystem& fs, const std::string& historyDirectory, const std::string& cutOffStamp,
                            CHistoryRows& rows, CHistoryStamps* stamps = nullptr);

// Works out text, icon file, icon index and type of an unresolved row from its
// file (the table of kinds); clipboard files look up (or add) their format
// list. Returns false, and marks the row unreadable, when a clipboard file cannot be
// read.
bool ResolveHistoryRow(FileSystem& fs, const std::string& historyDirectory, const std::string& exePath,
                       CFormatListTable& formats, HistoryRow& row);

}  // namespace kelvarion
