#include "settings/registry_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "win/text_win.h"

namespace kelvarion {
namespace {

// Every test works below its own key of the current user and removes it.
class RegistryTest : public ::testing::Test {
 protected:
  static constexpr wchar_t kTop[] = L"Software\\KelvarionRegistryTest";
  const std::string top_ = "HKEY_CURRENT_USER\\Software\\KelvarionRegistryTest";

  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTop); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTop); }

  static bool KeyExists(const std::wstring& sub) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  // The value as the system holds it: type and the bytes given.
  static std::wstring SystemValue(const std::wstring& sub, const wchar_t* name, DWORD* type, DWORD* bytes) {
    wchar_t data[256] = {};
    *bytes = sizeof(data);
    if (RegGetValueW(HKEY_CURRENT_USER, sub.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, type, data, bytes) !=
        ERROR_SUCCESS)
      return L"<missing>";
    return data;
  }
};

TEST_F(RegistryTest, WritesCreateEveryLevelAndReadBackChineseText) {
  const std::string path = top_ + "\\一层\\two\\三";
  const std::string text = "\"C:\\程序 文件\\Kelvarion.exe\"";
  ASSERT_EQ(RegWriteString(path, "Kelvarion", text), 0);
  DWORD type = 0, bytes = 0;
  EXPECT_EQ(SystemValue(std::wstring(kTop) + L"\\一层\\two\\三", L"Kelvarion", &type, &bytes), Widen(text));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(bytes, (Widen(text).size() + 1) * sizeof(wchar_t)) << "REG_SZ data ends with its zero";
  EXPECT_EQ(RegReadString(path, "Kelvarion"), text);
  EXPECT_EQ(RegReadString("hkey_current_user\\Software\\KelvarionRegistryTest\\一层\\two\\三", "kelvarion"), text)
      << "root, key and value names match without regard to case";
  ASSERT_EQ(RegWriteString(path, "", "默认"), 0) << "the default value";
  EXPECT_EQ(RegReadString(path, ""), "默认");
}

TEST_F(RegistryTest, BadPathsAndMissingKeysGiveTheirCodes) {
  const struct {
    std::string path;
    int code;
  } cases[] = {
      {"HKEY_CURRENT_USER", -1},
      {"HKCU\\Software\\KelvarionRegistryTest", -2},
      {"HKEY_NOWHERE\\Software", -2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RegWriteString(c.path, "v", "x"), c.code) << c.path;
    EXPECT_EQ(RegDeleteValuePath(c.path, "v"), c.code) << c.path;
    EXPECT_EQ(RegDeleteKeyPath(c.path), c.code) << c.path;
    EXPECT_EQ(RegReadString(c.path, "v"), "") << c.path;
  }
  EXPECT_FALSE(KeyExists(kTop)) << "nothing was made for the bad paths";
  EXPECT_EQ(RegDeleteValuePath(top_ + "\\missing", "v"), -3);
  EXPECT_EQ(RegDeleteKeyPath(top_ + "\\missing\\key"), -4) << "the parent is missing";
  EXPECT_EQ(RegReadString(top_ + "\\missing", "v"), "");
}

TEST_F(RegistryTest, DeletingValuesAndKeys) {
  const std::string command = top_ + "\\shell\\Kelvarion\\command";
  ASSERT_EQ(RegWriteString(command, "", "\"x.exe\""), 0);
  EXPECT_EQ(RegDeleteValuePath(command, ""), ERROR_SUCCESS);
  EXPECT_EQ(RegReadString(command, ""), "");
  EXPECT_EQ(RegDeleteValuePath(command, ""), ERROR_FILE_NOT_FOUND) << "the system's result for a missing value";
  EXPECT_NE(RegDeleteKeyPath(top_ + "\\shell\\Kelvarion"), ERROR_SUCCESS) << "a key with a key below it stays";
  EXPECT_EQ(RegDeleteKeyPath(command), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyPath(top_ + "\\shell\\Kelvarion"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(std::wstring(kTop) + L"\\shell\\Kelvarion"));
  EXPECT_TRUE(KeyExists(std::wstring(kTop) + L"\\shell"));
}

TEST_F(RegistryTest, ValuesBeyondTheBufferReadAsEmpty) {
  const std::string path = top_ + "\\long";
  const std::string fits(32767, 'a');
  ASSERT_EQ(RegWriteString(path, "fits", fits), 0);
  EXPECT_TRUE(RegReadString(path, "fits") == fits) << "32 767 bytes and the terminator fill the buffer";
  const std::string chinese = std::string(16383, 'a') + "汉";  // 16 385 bytes, 16 384 characters
  ASSERT_EQ(RegWriteString(path, "chinese", chinese), 0);
  EXPECT_TRUE(RegReadString(path, "chinese") == chinese);
  ASSERT_EQ(RegWriteString(path, "long", std::string(32768, 'b')), 0);
  EXPECT_EQ(RegReadString(path, "long").size(), 0u) << "never a cut text";
}

}  // namespace
}  // namespace kelvarion
