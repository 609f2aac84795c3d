#include "app/command_line.h"

#include <gtest/gtest.h>

namespace kelvarion {
namespace {

struct RoleCase {
  const char* commandLine;
  Role role;
  const char* argument;
};

TEST(CommandLine, SwitchChoosesRole) {
  const RoleCase cases[] = {
      {"C:\\k\\Kelvarion.exe", Role::kResident, ""},
      {"\"C:\\k\\Kelvarion.exe\" /D \"范例-打开&C盘\"", Role::kConnectFolder, "范例-打开&C盘"},
      {"C:\\k\\Kelvarion.exe /C202612080000", Role::kArchive, "202612080000"},
      {"C:\\k\\Kelvarion.exe /C 202612080000  ", Role::kArchive, "202612080000"},
      {"C:\\k\\Kelvarion.exe /F", Role::kSearch, ""},
      {"C:\\k\\Kelvarion.exe /L", Role::kLock, ""},
      {"C:\\k\\Kelvarion.exe /X", Role::kBadSwitch, ""},
      {"C:\\k\\Kelvarion.exe /d", Role::kBadSwitch, ""},  // the letter's case matters
      {"C:\\k\\Kelvarion.exe /", Role::kBadSwitch, ""},
      {"/F", Role::kResident, ""},  // a slash in the first position is no switch
      // "乗" ends in 0x5C and "丆" (0x812F) ends in '/': neither trail byte is a separator or a switch.
      {"C:\\\x81\x2F\\Kelvarion.exe", Role::kResident, ""},
      // Slashes in the program path, or inside an argument, are no switches.
      {"C:/Tools/Kelvarion.exe", Role::kResident, ""},
      {"\"C:/Program Files/Kelvarion.exe\"", Role::kResident, ""},
      {"C:/Program Files/Kelvarion/Kelvarion.exe", Role::kResident, ""},
      {"//server/tools/Kelvarion.exe", Role::kResident, ""},
      {"C:\\k\\Kelvarion.exe d:/saved/a.cbf", Role::kResident, ""},
      {"\"C:/Tools/Kelvarion.exe\" /F", Role::kSearch, ""},
      {"C:/Tools/Kelvarion.exe /L", Role::kLock, ""},
      {"C:/Program Files/Kelvarion.exe /C202612080000", Role::kArchive, "202612080000"},
      {"C:\\Program Files\\Kelvarion.exe /D \"a/b\"", Role::kConnectFolder, "a/b"},
      {"Kelvarion /D \"x.exe y\"", Role::kConnectFolder, "x.exe y"},  // no ".exe" in the program name
      {"C:/Tools/Kelvarion.exe /X", Role::kBadSwitch, ""},
  };
  for (const RoleCase& c : cases) {
    RoleChoice choice = ChooseRole(c.commandLine);
    EXPECT_EQ(choice.role, c.role) << c.commandLine;
    EXPECT_EQ(choice.argument, c.argument) << c.commandLine;
  }
}

TEST(CommandLine, ClipboardFileArgumentIsLowerCasedAndUnquoted) {
  EXPECT_EQ(ClipboardFileArgument("\"C:\\K\\Kelvarion.EXE\" \"D:\\Saved\\A.CBF\""), "d:\\saved\\a.cbf");
  EXPECT_EQ(ClipboardFileArgument("C:\\K\\Kelvarion.exe   d:\\x.cbf"), "d:\\x.cbf");
  EXPECT_EQ(ClipboardFileArgument("C:\\K\\Kelvarion"), "") << "no .exe: no argument";
  EXPECT_TRUE(HasClipboardFileEnding("d:\\saved\\a.cbf"));
  EXPECT_TRUE(HasClipboardFileEnding("A.CBF"));
  EXPECT_FALSE(HasClipboardFileEnding("a.cbf.txt"));
  EXPECT_FALSE(HasClipboardFileEnding("cbf"));
}

}  // namespace
}  // namespace kelvarion
