#include "settings/settings_form.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <string>

#include "base/ini.h"
#include "platform/memory/fixed_environment.h"
#include "settings/shell_integration.h"
#include "support/memory_registry.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::MemoryRegistry;
using test::ReadBytes;
using test::ScratchDir;

const std::string kUserRunKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kMenuCommand =
    "HKEY_CLASSES_ROOT\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\shell\\Kelvarion\\command";
const std::string kUserMenuCommand =
    "HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\shell\\Kelvarion\\command";

TEST(SettingsFormTest, NumberBoxesKeepOnlyTheNumberTyped) {
  const struct {
    const char* typed;
    const char* shown;
  } cases[] = {
      {"12", "12"},       {"-5", "0"},   {"12abc", "12"}, {"abc", "0"},       {"", "0"},
      {" 7", "7"},        {"007", "7"},  {"+3", "3"},     {"3-", "3"},        {"-", "0"},
      {"99999999999", "2147483647"},
  };
  for (const auto& c : cases) EXPECT_EQ(CleanNumberText(c.typed), c.shown) << "typed " << c.typed;
}

TEST(SettingsFormTest, HotKeyListTextsAndKeys) {
  const struct {
    const char* text;
    int key;
  } toKey[] = {{"F1", 112}, {"F2", 113}, {"F12", 123}, {"F13", 112}, {"F0", 112}, {"", 112}, {"X5", 116}, {"F", 112}};
  for (const auto& c : toKey) EXPECT_EQ(HotKeyFromText(c.text), c.key) << c.text;
  EXPECT_EQ(HotKeyText(112), "F1");
  EXPECT_EQ(HotKeyText(123), "F12");
  EXPECT_EQ(HotKeyText(130), "F1") << "keys outside F1..F12 show as F1";
  for (int key = 112; key <= 123; ++key) EXPECT_EQ(HotKeyFromText(HotKeyText(key)), key);
}

class SettingsFormAppTest : public ::testing::Test {
 protected:
  SettingsFormAppTest() : env_(dir_.path() + "Kelvarion.exe", "PC1", "alice"), app_(env_, HostFileSystem()) {
    app_.LoadStartupSettings();
  }

  std::string UserIni() { return app_.GetUserIniPath(); }
  std::string Stored(const std::string& key) { return ReadIniStringRaw(HostFileSystem(), UserIni(), "Setup", key); }
  void Store(const std::string& key, const std::string& value) {
    ASSERT_NE(WriteIniString(HostFileSystem(), UserIni(), "Setup", key, value), 0);
    app_.ResetSettingsCache();
  }
  std::string Quoted() const { return "\"" + app_.GetExePath() + "\""; }

  ScratchDir dir_;
  FixedEnvironment env_;
  CTessarynApp app_;
  MemoryRegistry registry_;
};

TEST_F(SettingsFormAppTest, OkWritesWhatTheControlsHold) {
  const std::string tempDir = dir_.path() + "临时";
  const struct {
    const char* what;
    std::function<void(SettingsForm&)> change;
    std::map<std::string, std::string> written;
  } cases[] = {
      {"only Win", [](SettingsForm& f) { f.alt = f.ctrl = f.shift = false, f.win = true; }, {{"HotKeyFlags", "8"}}},
      {"Alt and Shift with F2",
       [](SettingsForm& f) {
         f.alt = f.shift = true, f.ctrl = f.win = false;
         f.hotKeyText = "F2";
       },
       {{"HotKeyFlags", "5"}, {"HotKey", "113"}}},
      {"all four with F12",
       [](SettingsForm& f) {
         f.alt = f.ctrl = f.shift = f.win = true;
         f.hotKeyText = "F12";
       },
       {{"HotKeyFlags", "15"}, {"HotKey", "123"}}},
      {"numbers", [](SettingsForm& f) { f.pasteMenuCount = "35", f.autoLoadDays = "7"; },
       {{"PAST_MENU", "35"}, {"AutoLoadDays", "7"}}},
      {"empty number boxes", [](SettingsForm& f) { f.pasteMenuCount = "", f.autoLoadDays = ""; },
       {{"PAST_MENU", "0"}, {"AutoLoadDays", "0"}}},
      {"flags flipped from the defaults",
       [](SettingsForm& f) {
         f.backup = false, f.backupMove = true, f.autoHide = true, f.alwaysOnTop = false;
         f.editListMenu = false, f.runListMenu = false, f.openDirListMenu = false;
       },
       {{"Backup", "N"},
        {"BackupM", "Y"},
        {"AutoHide", "Y"},
        {"AlwaysOnTop", "N"},
        {"EditListMenu", "N"},
        {"RunListMenu", "N"},
        {"OpenDirListMenu", "N"}}},
      {"texts", [&](SettingsForm& f) {
         f.mdbFile = "D:\\数据\\历史.mdb", f.textEditor = "C:\\编辑器\\ed.exe";
         f.imageEditor = "", f.tempDir = tempDir;
       },
       {{"MdbFile", "D:\\数据\\历史.mdb"}, {"Editer", "C:\\编辑器\\ed.exe"}, {"BMP_Editer", ""}, {"TempDir", tempDir}}},
  };
  for (const auto& c : cases) {
    SettingsForm form = LoadSettingsForm(app_, registry_);
    c.change(form);
    ASSERT_EQ(ApplySettingsForm(form, app_, registry_), 0) << c.what;
    for (const auto& [key, value] : c.written) EXPECT_EQ(Stored(key), value) << c.what << ": " << key;
    app_.ResetSettingsCache();
  }
  // An empty box is stored empty; the store's default takes over when it is read.
  EXPECT_EQ(app_.GetImageEditor(), "mspaint.exe");
  EXPECT_EQ(app_.GetHistoryDirectory(), tempDir + "\\");
}

TEST_F(SettingsFormAppTest, NoModifierWritesNothingAtAll) {
  SettingsForm form = LoadSettingsForm(app_, registry_);
  form.alt = form.ctrl = form.shift = form.win = false;
  form.pasteMenuCount = "3";
  form.startWithWindows = true;
  const std::string before = ReadBytes(UserIni());
  EXPECT_EQ(ApplySettingsForm(form, app_, registry_), kNoHotKeyModifier);
  EXPECT_EQ(ReadBytes(UserIni()), before) << "the settings file is untouched";
  EXPECT_FALSE(IsStartWithWindows(registry_, app_.GetExePath())) << "nor is the registry";
}

TEST_F(SettingsFormAppTest, TheDialogShowsTheSettingsAsTheStoreReadsThem) {
  Store("HotKeyFlags", "16");  // no low bits: Ctrl
  Store("HotKey", "130");      // out of range: F1
  Store("AutoLoadDays", "-4");
  Store("PAST_MENU", "12");
  Store("AutoHide", "Y");
  SettingsForm form = LoadSettingsForm(app_, registry_);
  EXPECT_TRUE(!form.alt && form.ctrl && !form.shift && !form.win);
  EXPECT_EQ(form.hotKeyText, "F1");
  EXPECT_EQ(form.autoLoadDays, "0");
  EXPECT_EQ(form.pasteMenuCount, "12");
  EXPECT_TRUE(form.autoHide);

  Store("HotKeyFlags", "6");
  Store("HotKey", "121");
  form = LoadSettingsForm(app_, registry_);
  EXPECT_TRUE(!form.alt && form.ctrl && form.shift && !form.win);
  EXPECT_EQ(form.hotKeyText, "F10");
}

TEST_F(SettingsFormAppTest, RegistryBoxesShowCheckedOnlyForThisCopy) {
  const std::string runKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  registry_.WriteString(runKey, "Kelvarion", "\"C:\\Other\\Kelvarion.exe\"");
  registry_.WriteString(kUserMenuCommand, "", Quoted());
  SettingsForm form = LoadSettingsForm(app_, registry_);
  EXPECT_FALSE(form.startWithWindows) << "the Run value points to another copy";
  EXPECT_TRUE(form.myComputerMenu) << "the user's own menu key points here";

  // OK with the box unchecked removes the other copy's value too.
  form.myComputerMenu = false;
  ASSERT_EQ(ApplySettingsForm(form, app_, registry_), 0);
  EXPECT_FALSE(registry_.HasValue(runKey, "Kelvarion"));
  EXPECT_FALSE(registry_.HasKey(kUserMenuCommand));

  // The comparison ignores case.
  std::string upper = Quoted();
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  registry_.WriteString(runKey, "Kelvarion", upper);
  EXPECT_TRUE(LoadSettingsForm(app_, registry_).startWithWindows);
}

TEST(ShellIntegrationTest, EntriesGoToTheMachineKeysOrToTheUsersWhenRefused) {
  const std::string exe = "C:\\程序\\Kelvarion.exe";
  const std::string quoted = "\"" + exe + "\"";
  const std::string runKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  for (bool refused : {false, true}) {
    MemoryRegistry registry;
    if (refused) {
      registry.Refuse("HKEY_LOCAL_MACHINE");
      registry.Refuse("HKEY_CLASSES_ROOT");
    }
    const char* where = refused ? "machine keys refused" : "machine keys open";
    EXPECT_EQ(SetStartWithWindows(registry, exe, true), 0) << where;
    EXPECT_EQ(SetMyComputerMenu(registry, exe, true), 0) << where;
    EXPECT_EQ(registry.ReadString(refused ? kUserRunKey : runKey, "Kelvarion"), quoted) << where;
    EXPECT_EQ(registry.ReadString(refused ? kUserMenuCommand : kMenuCommand, ""), quoted) << where;
    EXPECT_FALSE(registry.HasValue(refused ? runKey : kUserRunKey, "Kelvarion")) << where << ": one place only";
    EXPECT_TRUE(IsStartWithWindows(registry, exe)) << where;
    EXPECT_TRUE(IsMyComputerMenu(registry, exe)) << where;
  }
  MemoryRegistry everywhereRefused;
  for (const char* root : {"HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER"}) everywhereRefused.Refuse(root);
  EXPECT_EQ(SetStartWithWindows(everywhereRefused, exe, true), MemoryRegistry::kAccessDenied);
  EXPECT_FALSE(IsStartWithWindows(everywhereRefused, exe));
}

TEST(ShellIntegrationTest, ClearingRemovesEntriesAndMenuKeysFromBothPlaces) {
  const std::string exe = "C:\\Kelvarion.exe";
  const std::string runKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::string menuKey = kMenuCommand.substr(0, kMenuCommand.size() - std::string("\\command").size());
  const std::string userMenuKey = kUserMenuCommand.substr(0, kUserMenuCommand.size() - std::string("\\command").size());
  const struct {
    const char* what;
    std::function<void(MemoryRegistry&)> preset;
  } cases[] = {
      {"both places set",
       [&](MemoryRegistry& r) {
         r.WriteString(runKey, "Kelvarion", "\"" + exe + "\"");
         r.WriteString(kUserRunKey, "Kelvarion", "\"" + exe + "\"");
         r.WriteString(kMenuCommand, "", "\"" + exe + "\"");
         r.WriteString(kUserMenuCommand, "", "\"" + exe + "\"");
       }},
      {"menu keys without their value", [&](MemoryRegistry& r) { r.AddKey(kMenuCommand), r.AddKey(userMenuKey); }},
      {"only the outer menu key", [&](MemoryRegistry& r) { r.AddKey(menuKey); }},
      {"nothing at all", [](MemoryRegistry&) {}},
  };
  for (const auto& c : cases) {
    MemoryRegistry registry;
    c.preset(registry);
    registry.WriteString(runKey, "Other", "kept");
    EXPECT_EQ(SetStartWithWindows(registry, exe, false), 0) << c.what;
    EXPECT_EQ(SetMyComputerMenu(registry, exe, false), 0) << c.what;
    EXPECT_FALSE(registry.HasValue(runKey, "Kelvarion")) << c.what;
    EXPECT_FALSE(registry.HasValue(kUserRunKey, "Kelvarion")) << c.what;
    for (const std::string& key : {kMenuCommand, menuKey, kUserMenuCommand, userMenuKey})
      EXPECT_FALSE(registry.HasKey(key)) << c.what << ": " << key;
    EXPECT_TRUE(registry.HasKey(runKey)) << c.what << ": the Run key itself stays";
    EXPECT_EQ(registry.ReadString(runKey, "Other"), "kept") << c.what;
  }
}

}  // namespace
}  // namespace kelvarion
