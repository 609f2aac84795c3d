// A popup menu described as a flat list: one entry per position, depth first.
// A plain text is a command item; a label, "\r\n" and a count N opens a
// sub-menu of the next N entries (N <= 0: a separator). The command id of an
// entry is 10000 + its position, and the chosen position is what the menu
// reports.
#pragma once

#include <string>
#include <vector>

#include "base/text_list.h"

namespace kelvarion {

constexpr int kMenuListFirstId = 10000;
inline const char kMenuSeparator[] = "-\r\n0";
inline const char kEmptyMenuLabel[] = "(空)";

struct MenuNode {
  enum class Kind { kItem, kSeparator, kSubMenu };
  Kind kind = Kind::kItem;
  std::string label;
  int id = 0;  // 0 for the disabled placeholder of an empty menu
  bool checked = false;
  bool grayed = false;
  std::vector<MenuNode> children;  // sub-menus only
};

// The menu tree of a menu list; checks and grays are 0/1 per position
// (positions beyond their end count as 0). An empty menu, and an empty
// sub-menu, holds one disabled "(空)" with id 0.
std::vector<MenuNode> BuildMenuTree(const CTextList& texts, const CNumberList& checks, const CNumberList& grays);

// Appends count entries from position on to a menu; nextId and position move
// past what was consumed. This is the walk BuildMenuTree makes, exposed for
// callers that build part of a list.
void AppendMenuEntries(std::vector<MenuNode>& menu, const CTextList& texts, int count, int& nextId, int& position,
                       const CNumberList& checks, const CNumberList& grays);

}  // namespace kelvarion
