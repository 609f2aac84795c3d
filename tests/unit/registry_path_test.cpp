#include "settings/registry_path.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace kelvarion {
namespace {

// "乗" is 81 5C in code page 936: its trail byte is a backslash.
const std::string kTrailBackslash = "\x81\x5C";

TEST(RegistryPathTest, EachRootNameIsFoundInAnyCase) {
  const struct {
    const char* name;
    RegistryRoot root;
  } cases[] = {
      {"HKEY_CLASSES_ROOT", RegistryRoot::kClassesRoot},
      {"HKEY_CURRENT_CONFIG", RegistryRoot::kCurrentConfig},
      {"HKEY_CURRENT_USER", RegistryRoot::kCurrentUser},
      {"HKEY_LOCAL_MACHINE", RegistryRoot::kLocalMachine},
      {"HKEY_USERS", RegistryRoot::kUsers},
      {"HKEY_PERFORMANCE_DATA", RegistryRoot::kPerformanceData},
      {"HKEY_DYN_DATA", RegistryRoot::kDynData},
  };
  for (const auto& c : cases) {
    std::string lower = c.name;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (const std::string& spelled : {std::string(c.name), lower}) {
      RegistryPath path;
      ASSERT_EQ(ParseRegistryPath(spelled + "\\Software\\Kelvarion", &path), 0) << spelled;
      EXPECT_EQ(path.root, c.root) << spelled;
      EXPECT_EQ(path.subPath, "Software\\Kelvarion") << spelled;
    }
    EXPECT_STREQ(RegistryRootName(c.root), c.name);
  }
}

TEST(RegistryPathTest, PathsWithoutRootSeparatorOrWithUnknownRootAreRefused) {
  const struct {
    std::string path;
    int result;
  } cases[] = {
      {"HKEY_CURRENT_USER", kRegistryNoRootSeparator},
      {"", kRegistryNoRootSeparator},
      {"Software", kRegistryNoRootSeparator},
      {"HKEY_CURRENT\\Software", kRegistryUnknownRoot},
      {"HKCU\\Software", kRegistryUnknownRoot},
      {"\\Software", kRegistryUnknownRoot},
      {" HKEY_USERS\\x", kRegistryUnknownRoot},
      // The trail byte of "乗" is no separator, so the root is never cut short.
      {"HKEY_USERS" + kTrailBackslash + "\\x", kRegistryUnknownRoot},
  };
  for (const auto& c : cases) {
    RegistryPath path;
    path.subPath = "untouched";
    EXPECT_EQ(ParseRegistryPath(c.path, &path), c.result) << c.path;
    EXPECT_EQ(path.subPath, "untouched") << c.path;
  }
  RegistryPath path;
  ASSERT_EQ(ParseRegistryPath("HKEY_USERS\\", &path), 0);
  EXPECT_EQ(path.subPath, "");
}

TEST(RegistryPathTest, KeyLevelsRunFromTheTopDownAndStepOverDoubleByteCharacters) {
  const struct {
    std::string subPath;
    std::vector<std::string> levels;
  } cases[] = {
      {"A\\B\\C", {"A", "A\\B", "A\\B\\C"}},
      {"Software", {"Software"}},
      {"", {}},
      {"A\\\\B\\", {"A", "A\\\\B"}},
      {"软件\\" + kTrailBackslash + "\\X", {"软件", "软件\\" + kTrailBackslash, "软件\\" + kTrailBackslash + "\\X"}},
  };
  for (const auto& c : cases) EXPECT_EQ(RegistryKeyLevels(c.subPath), c.levels) << c.subPath;
}

TEST(RegistryPathTest, KeysSplitAtTheirLastSeparator) {
  const struct {
    std::string subPath, parent, name;
  } cases[] = {
      {"CLSID\\{X}\\shell\\Kelvarion\\command", "CLSID\\{X}\\shell\\Kelvarion", "command"},
      {"Kelvarion", "", "Kelvarion"},
      {"A\\" + kTrailBackslash, "A", kTrailBackslash},
  };
  for (const auto& c : cases) {
    std::string parent = "x", name = "x";
    SplitRegistryKey(c.subPath, &parent, &name);
    EXPECT_EQ(parent, c.parent) << c.subPath;
    EXPECT_EQ(name, c.name) << c.subPath;
  }
}

}  // namespace
}  // namespace kelvarion
