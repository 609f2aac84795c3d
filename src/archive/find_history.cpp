#include "archive/find_history.h"

#include <algorithm>

#include "base/dbcs.h"
#include "base/strings.h"

namespace kelvarion {

std::string NormalizeSearchText(std::string_view typed) {
  // A blank is one byte that never occurs inside a double-byte character.
  const std::string upper = ToUpper(Trim(typed, " "));
  std::string out;
  out.reserve(upper.size());
  for (std::size_t i = 0; i < upper.size(); ++i) {
    out.push_back(upper[i]);
    if (upper[i] == ' ' && i + 1 < upper.size() && upper[i + 1] == ' ') ++i;
  }
  return out;
}

void CFindHistory::Load(const std::vector<std::string>& stored) {
  entries_.clear();
  for (std::size_t i = 0; i < stored.size() && i < kFindHistoryLimit; ++i) {
    std::string text = ToUpper(Trim(stored[i], " "));
    if (!text.empty()) entries_.push_back(std::move(text));
  }
}

void CFindHistory::Add(const std::string& text) {
  auto found = std::find(entries_.begin(), entries_.end(), text);
  if (found != entries_.end()) {
    std::rotate(entries_.begin(), found, found + 1);
    return;
  }
  entries_.resize(kFindHistoryLimit - 1);
  entries_.insert(entries_.begin(), text);
}

std::vector<std::string> CFindHistory::ToStore() const {
  return std::vector<std::string>(entries_.begin(),
                                  entries_.begin() + static_cast<std::ptrdiff_t>(std::min(entries_.size(), kFindHistoryLimit)));
}

std::string FoundCountText(std::int64_t count) { return "找到" + std::to_string(count) + "条符合条件的记录"; }

std::string MissingDatabaseMessage(const std::string& databasePath) {
  return "    找不到历史记录数据库文件\"" + databasePath + "\",请确认您在主程序的设置中选择了\"将历史文件备份到数据库中\"\r\n\r\n"
         "    本功能仅用于查找历史数据,谢谢!";
}

std::string SearchWindowCaption(const std::string& mainWindowTitle) { return mainWindowTitle + " - 历史记录查找"; }

}  // namespace kelvarion
