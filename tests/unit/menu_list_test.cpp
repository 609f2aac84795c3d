#include "base/menu_list.h"

#include <gtest/gtest.h>

namespace kelvarion {
namespace {

using Kind = MenuNode::Kind;

// One line per node, indented by depth: "id kind label [c][g]".
void Describe(const std::vector<MenuNode>& nodes, int depth, std::string& out) {
  for (const MenuNode& n : nodes) {
    out += std::string(depth * 2, ' ') + std::to_string(n.id) + " ";
    out += n.kind == Kind::kItem ? "item " : n.kind == Kind::kSeparator ? "sep " : "sub ";
    out += n.label;
    if (n.checked) out += " [c]";
    if (n.grayed) out += " [g]";
    out += "\n";
    Describe(n.children, depth + 1, out);
  }
}

std::string Tree(const CTextList& texts, const CNumberList& checks = {}, const CNumberList& grays = {}) {
  std::string out;
  Describe(BuildMenuTree(texts, checks, grays), 0, out);
  return out;
}

TEST(MenuList, IdsFollowPositionsThroughSubMenusAndSeparators) {
  EXPECT_EQ(Tree({"a", "b", "c"}), "10000 item a\n10001 item b\n10002 item c\n");
  EXPECT_EQ(Tree({"Sub\r\n2", "x", "y", "-\r\n0", "after"}),
            "10000 sub Sub\n"
            "  10001 item x\n"
            "  10002 item y\n"
            "10003 sep -\n"
            "10004 item after\n")
      << "a header and a separator each take a position and an id";
  EXPECT_EQ(Tree({"Outer\r\n2", "Inner\r\n1", "deep", "z", "top"}),
            "10000 sub Outer\n"
            "  10001 sub Inner\n"
            "    10002 item deep\n"
            "  10003 item z\n"
            "10004 item top\n")
      << "a count names direct children; a nested sub-menu counts as one";
}

TEST(MenuList, EmptyMenusGetADisabledPlaceholder) {
  EXPECT_EQ(Tree({}), "0 item (空) [g]\n");
  EXPECT_EQ(Tree({"a", "Last\r\n3"}), "10000 item a\n10001 sub Last\n  0 item (空) [g]\n")
      << "a header standing last opens an empty sub-menu";
  EXPECT_EQ(Tree({"Sub\r\n5", "only"}), "10000 sub Sub\n  10001 item only\n")
      << "a count beyond the end takes what is there";
}

TEST(MenuList, CheckAndGrayFlagsApplyByPosition) {
  CNumberList checks, grays;
  checks.Set(1, 1);
  grays.Set(0, 1);
  grays.Set(2, 1);
  EXPECT_EQ(Tree({"Head\r\n1", "in", "out"}, checks, grays), "10000 sub Head [g]\n  10001 item in [c]\n10002 item out [g]\n");
}

}  // namespace
}  // namespace kelvarion
