// What the search window decides without a window: the search text as typed
// becomes the text searched for, the history of searches (newest first, at
// most 20) and the texts it shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarion {

inline constexpr std::size_t kFindHistoryLimit = 20;

// The combo's text made into the search text (code page 936): blanks around
// it removed, upper-cased, and each two blanks made one in a single pass
// from the left (so four blanks become two, and the empty word between
// them still matches every text).
std::string NormalizeSearchText(std::string_view typed);

class CFindHistory {
 public:
  // The values of keys "0" to "19" as stored: each trimmed and upper-cased,
  // empty ones skipped, the rest kept in key order.
  void Load(const std::vector<std::string>& stored);
  // A search with text: a text already there moves to the front, the others
  // keep their order behind it; a new text goes to the front, the oldest of
  // 20 drops off, and the history is then 20 entries long, the missing ones
  // empty (they are written as empty values and skipped at the next Load).
  void Add(const std::string& text);
  // What WM_DESTROY writes under keys "0", "1", ...: at most 20 entries.
  std::vector<std::string> ToStore() const;
  const std::vector<std::string>& Entries() const { return entries_; }
  bool IsEmpty() const { return entries_.empty(); }

 private:
  std::vector<std::string> entries_;
};

// "找到" count "条符合条件的记录": the text of a search's top-level node.
std::string FoundCountText(std::int64_t count);

// The message for a database file that is not there.
std::string MissingDatabaseMessage(const std::string& databasePath);

// The combo's hint while the history is empty.
inline constexpr const char* kSearchHint = "%号为通配符,空格是多个条件的分隔符.";

// The search window's caption: the main window title (with its leading
// blank) and " - 历史记录查找"; a second search window finds the first by it.
std::string SearchWindowCaption(const std::string& mainWindowTitle);

}  // namespace kelvarion
