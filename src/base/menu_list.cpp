#include "base/menu_list.h"

#include "base/dbcs.h"
#include "base/strings.h"

namespace kelvarion {

void AppendMenuEntries(std::vector<MenuNode>& menu, const CTextList& texts, int count, int& nextId, int& position,
                       const CNumberList& checks, const CNumberList& grays) {
  for (int i = 0; i < count && position < texts.GetSize(); ++i) {
    const std::string text = texts.Get(position);
    MenuNode node;
    node.checked = checks.Get(position) == 1;
    node.grayed = grays.Get(position) == 1;
    node.id = nextId++;
    std::size_t split = FindText(text, "\r\n");
    if (split == std::string::npos) {
      node.label = text;
      ++position;
    } else {
      node.label = text.substr(0, split);
      int children = StrToInt(text.substr(split + 2));
      ++position;
      if (children <= 0) {
        node.kind = MenuNode::Kind::kSeparator;
      } else {
        node.kind = MenuNode::Kind::kSubMenu;
        AppendMenuEntries(node.children, texts, children, nextId, position, checks, grays);
        if (node.children.empty()) node.children.push_back(MenuNode{MenuNode::Kind::kItem, kEmptyMenuLabel, 0, false, true, {}});
      }
    }
    menu.push_back(std::move(node));
  }
}

std::vector<MenuNode> BuildMenuTree(const CTextList& texts, const CNumberList& checks, const CNumberList& grays) {
  std::vector<MenuNode> menu;
  int nextId = kMenuListFirstId;
  int position = 0;
  AppendMenuEntries(menu, texts, texts.GetSize(), nextId, position, checks, grays);
  if (menu.empty()) menu.push_back(MenuNode{MenuNode::Kind::kItem, kEmptyMenuLabel, 0, false, true, {}});
  return menu;
}

}  // namespace kelvarion
