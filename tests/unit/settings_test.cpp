#include "settings/settings.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/ini.h"
#include "platform/memory/fixed_environment.h"
#include "platform/memory/memory_file_system.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() : env_(dir_.path() + "Kelvarion.exe", "PC1", "alice"), app_(env_, HostFileSystem()) {}

  std::string ProgramIni() const { return dir_.path() + "Kelvarion.ini"; }
  std::string LocalDir() const { return dir_.path() + "alice\\"; }
  std::string UserIni() const { return LocalDir() + "tessaryn.ini"; }
  std::string Stored(const std::string& key) { return ReadIniStringRaw(HostFileSystem(), UserIni(), "Setup", key); }
  // Puts one value into the user settings file, as a hand edit would.
  void Store(const std::string& key, const std::string& value) {
    app_.GetLocalDirectory();
    ASSERT_NE(WriteIniString(HostFileSystem(), UserIni(), "Setup", key, value), 0);
    app_.ResetSettingsCache();
  }

  ScratchDir dir_;
  FixedEnvironment env_;
  CTessarynApp app_;
};

TEST_F(SettingsTest, FirstStartWritesEveryDefaultBack) {
  app_.LoadStartupSettings();
  FileSystem& fs = HostFileSystem();
  EXPECT_EQ(ReadIniStringRaw(fs, ProgramIni(), "LocalDirectory", "PC1.alice"), LocalDir())
      << "the program settings file records this computer's and user's local directory";
  EXPECT_EQ(ReadIniStringRaw(fs, ProgramIni(), "Setup", "MainWindowTitle"), "Kelvarion");
  EXPECT_TRUE(fs.IsDirectory(LocalDir()));
  EXPECT_TRUE(fs.IsDirectory(LocalDir() + "CPasteClipboard"));
  EXPECT_EQ(app_.GetUserIniPath(), UserIni());

  const std::pair<const char*, std::string> defaults[] = {
      {"TempDir", LocalDir() + "CPasteClipboard\\"},
      {"MdbFile", LocalDir() + "tessaryn.mdb"},
      {"Editer", "notepad.exe"},
      {"BMP_Editer", "mspaint.exe"},
      {"CBF_Editer", "Kelvarion.exe"},
      {"AutoLoadDays", "1"},
      {"Backup", "Y"},
      {"BackupM", "N"},
      {"AlwaysOnTop", "Y"},
      {"PAST_MENU", "20"},
      {"Diaphaneity", "255"},
      {"HotKey", "112"},
      {"HotKeyFlags", "2"},
  };
  for (const auto& [key, value] : defaults) EXPECT_EQ(Stored(key), value) << key << " must be written back";

  EXPECT_EQ(app_.GetHistoryDirectory(), LocalDir() + "CPasteClipboard\\");
  EXPECT_EQ(app_.GetMdbFile(), LocalDir() + "tessaryn.mdb");
  EXPECT_EQ(app_.GetClipFileEditor(), "Kelvarion.exe");
  EXPECT_EQ(app_.GetAutoLoadDays(), 1);
  EXPECT_TRUE(app_.IsBackupEnabled());
  EXPECT_FALSE(app_.IsBackupMove());
  EXPECT_TRUE(app_.IsAlwaysOnTop());
  EXPECT_EQ(app_.GetPasteMenuCount(), 20);
  EXPECT_EQ(app_.GetDiaphaneity(), 255);
  EXPECT_EQ(app_.GetHotKey(), 112);
  EXPECT_EQ(app_.GetHotKeyFlags(), 2);
  EXPECT_EQ(app_.GetMainWindowTitle(), " Kelvarion");
  EXPECT_EQ(app_.GetVersionText(), "1.20");
  EXPECT_EQ(app_.GetExePath(), dir_.path() + "Kelvarion.exe");
}

TEST_F(SettingsTest, StoredValuesAreClamped) {
  struct Case {
    const char* key;
    std::string stored;
    std::function<int(CTessarynApp&)> read;
    int expected;
  };
  auto diaphaneity = [](CTessarynApp& a) { return a.GetDiaphaneity(); };
  auto hotKey = [](CTessarynApp& a) { return a.GetHotKey(); };
  auto flags = [](CTessarynApp& a) { return a.GetHotKeyFlags(); };
  auto pasteCount = [](CTessarynApp& a) { return a.GetPasteMenuCount(); };
  auto days = [](CTessarynApp& a) { return a.GetAutoLoadDays(); };
  auto backup = [](CTessarynApp& a) { return static_cast<int>(a.IsBackupEnabled()); };
  auto onTop = [](CTessarynApp& a) { return static_cast<int>(a.IsAlwaysOnTop()); };
  auto backupMove = [](CTessarynApp& a) { return static_cast<int>(a.IsBackupMove()); };
  const Case cases[] = {
      {"Diaphaneity", "10", diaphaneity, 25},     {"Diaphaneity", "300", diaphaneity, 255},
      {"Diaphaneity", "abc", diaphaneity, 25},    {"Diaphaneity", "128", diaphaneity, 128},
      {"HotKey", "130", hotKey, 112},             {"HotKey", "123", hotKey, 123},
      {"HotKey", "111", hotKey, 112},             {"HotKeyFlags", "16", flags, 2},
      {"HotKeyFlags", "6", flags, 6},             {"HotKeyFlags", "0", flags, 2},
      {"HotKeyFlags", "17", flags, 1},            {"PAST_MENU", "-3", pasteCount, 0},
      {"PAST_MENU", "7", pasteCount, 7},          {"AutoLoadDays", "abc", days, 0},
      {"AutoLoadDays", "-2", days, 0},            {"AutoLoadDays", " 7days", days, 7},
      {"Backup", "Y   ", backup, 1},              {"Backup", "y", backup, 0},
      {"Backup", "Yes", backup, 0},               {"AlwaysOnTop", "N", onTop, 0},
      {"BackupM", "Y", backupMove, 1},
  };
  for (const Case& c : cases) {
    Store(c.key, c.stored);
    EXPECT_EQ(c.read(app_), c.expected) << c.key << "=" << c.stored;
  }
}

TEST_F(SettingsTest, BlanksOnlyValueIsReplacedByTheDefault) {
  Store("Editer", "   ");
  EXPECT_EQ(app_.GetTextEditor(), "notepad.exe");
  EXPECT_EQ(Stored("Editer"), "notepad.exe") << "the default is written over the blanks";
}

TEST_F(SettingsTest, BackupFlagKeyMatchesWithoutCase) {
  app_.GetLocalDirectory();
  WriteBytes(UserIni(), "[setup]\r\nbackup=N\r\n");  // the spelling the settings dialog uses
  EXPECT_FALSE(app_.IsBackupEnabled());
}

TEST_F(SettingsTest, TempDirWithoutBackslashIsUsedWithOne) {
  Store("TempDir", dir_.path() + "history");
  EXPECT_EQ(app_.GetHistoryDirectory(), dir_.path() + "history\\");
  EXPECT_TRUE(HostFileSystem().IsDirectory(dir_.path() + "history")) << "the history directory is created";
  EXPECT_EQ(Stored("TempDir"), dir_.path() + "history") << "the stored value is not rewritten";
}

TEST_F(SettingsTest, LocalDirectoryFromTheProgramSettings) {
  // "\x81\x5C" is one Chinese character whose trail byte is '\': it does not
  // end the path.
  const std::string stored = dir_.path() + "shared\\\x81\x5C";
  WriteBytes(ProgramIni(), "[LocalDirectory]\r\nPC1.alice=" + stored + "\r\nPC2.bob=elsewhere\r\n");
  EXPECT_EQ(app_.GetLocalDirectory(), stored + "\\");
  EXPECT_TRUE(HostFileSystem().IsDirectory(stored));
  EXPECT_EQ(app_.GetUserIniPath(), stored + "\\tessaryn.ini");
  EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), ProgramIni(), "LocalDirectory", "PC1.alice"), stored);
}

TEST_F(SettingsTest, MainWindowTitleComesFromTheProgramSettings) {
  WriteBytes(ProgramIni(), "[Setup]\r\nMainWindowTitle=Clip\r\n");
  EXPECT_EQ(app_.GetMainWindowTitle(), " Clip");
  WriteBytes(ProgramIni(), "[Setup]\r\nMainWindowTitle=Other\r\n");
  app_.ResetSettingsCache();
  EXPECT_EQ(app_.GetMainWindowTitle(), " Clip") << "the title outlives a cache reset";
}

TEST_F(SettingsTest, SetDiaphaneityClampsStoresAndCaches) {
  app_.SetDiaphaneity(300);
  EXPECT_EQ(Stored("Diaphaneity"), "255");
  EXPECT_EQ(app_.GetDiaphaneity(), 255);
  app_.SetDiaphaneity(3);
  EXPECT_EQ(Stored("Diaphaneity"), "25");
  EXPECT_EQ(app_.GetDiaphaneity(), 25) << "the setter updates the cache";
  app_.SetDiaphaneity(100);
  app_.ResetSettingsCache();
  EXPECT_EQ(app_.GetDiaphaneity(), 100);
}

TEST_F(SettingsTest, CachedUntilReset) {
  Store("Editer", "vi.exe");
  EXPECT_EQ(app_.GetTextEditor(), "vi.exe");
  ASSERT_NE(WriteIniString(HostFileSystem(), UserIni(), "Setup", "Editer", "emacs.exe"), 0);
  ASSERT_NE(WriteIniString(HostFileSystem(), UserIni(), "Setup", "BackupM", "Y"), 0);
  EXPECT_EQ(app_.GetTextEditor(), "vi.exe") << "cached values are not read again";
  EXPECT_TRUE(app_.IsBackupMove()) << "BackupM is read afresh on every call";
  app_.ResetSettingsCache();
  EXPECT_EQ(app_.GetTextEditor(), "emacs.exe");
}

// Each key of "Setup": what a first read finds and writes back, and what
// its setter stores and a later read (after a cache reset) gives.
TEST_F(SettingsTest, EveryKeyHasOneDefaultAndOneSetter) {
  struct Case {
    const char* key;
    std::string stored;  // written back by the first read
    std::string read;    // what that read gives
    std::function<std::string(CTessarynApp&)> get;
    std::function<void(CTessarynApp&)> set;
    std::string storedAfterSet;
    std::string readAfterSet;
  };
  auto flag = [](bool (CTessarynApp::*get)()) {
    return [get](CTessarynApp& a) { return std::string((a.*get)() ? "on" : "off"); };
  };
  auto number = [](int (CTessarynApp::*get)()) {
    return [get](CTessarynApp& a) { return std::to_string((a.*get)()); };
  };
  auto text = [](std::string (CTessarynApp::*get)()) { return [get](CTessarynApp& a) { return (a.*get)(); }; };
  const std::string history = dir_.path() + "history";
  const Case cases[] = {
      {"ListenClipboard", "Y", "on", flag(&CTessarynApp::IsListenClipboard),
       [](CTessarynApp& a) { a.SetListenClipboard(false); }, "N", "off"},
      {"ListenClipboard_FileName", "N", "off", flag(&CTessarynApp::IsListenFileNames),
       [](CTessarynApp& a) { a.SetListenFileNames(true); }, "Y", "on"},
      {"ToolBar", "1", "on", flag(&CTessarynApp::IsToolBarShown),
       [](CTessarynApp& a) { a.SetToolBarShown(false); }, "0", "off"},
      {"AutoHide", "N", "off", flag(&CTessarynApp::IsAutoHide),
       [](CTessarynApp& a) { a.SetAutoHide(true); }, "Y", "on"},
      {"AlwaysOnTop", "Y", "on", flag(&CTessarynApp::IsAlwaysOnTop),
       [](CTessarynApp& a) { a.SetAlwaysOnTop(false); }, "N", "off"},
      {"HotKeyFlags", "2", "2", number(&CTessarynApp::GetHotKeyFlags),
       [](CTessarynApp& a) { a.SetHotKeyFlags(6); }, "6", "6"},
      {"HotKey", "112", "112", number(&CTessarynApp::GetHotKey),
       [](CTessarynApp& a) { a.SetHotKey(123); }, "123", "123"},
      {"TempDir", LocalDir() + "CPasteClipboard\\", LocalDir() + "CPasteClipboard\\",
       text(&CTessarynApp::GetHistoryDirectory),
       [&](CTessarynApp& a) { a.SetHistoryDirectory(history); }, history, history + "\\"},
      {"Editer", "notepad.exe", "notepad.exe", text(&CTessarynApp::GetTextEditor),
       [](CTessarynApp& a) { a.SetTextEditor("vi.exe"); }, "vi.exe", "vi.exe"},
      {"BMP_Editer", "mspaint.exe", "mspaint.exe", text(&CTessarynApp::GetImageEditor),
       [](CTessarynApp& a) { a.SetImageEditor("gimp.exe"); }, "gimp.exe", "gimp.exe"},
      {"CBF_Editer", "Kelvarion.exe", "Kelvarion.exe", text(&CTessarynApp::GetClipFileEditor),
       [](CTessarynApp& a) { a.SetClipFileEditor("view.exe"); }, "view.exe", "view.exe"},
      {"AutoLoadDays", "1", "1", number(&CTessarynApp::GetAutoLoadDays),
       [](CTessarynApp& a) { a.SetAutoLoadDays(-4); }, "0", "0"},
      {"Backup", "Y", "on", flag(&CTessarynApp::IsBackupEnabled),
       [](CTessarynApp& a) { a.SetBackupEnabled(false); }, "N", "off"},
      {"BackupM", "N", "off", flag(&CTessarynApp::IsBackupMove),
       [](CTessarynApp& a) { a.SetBackupMove(true); }, "Y", "on"},
      {"PAST_MENU", "20", "20", number(&CTessarynApp::GetPasteMenuCount),
       [](CTessarynApp& a) { a.SetPasteMenuCount(7); }, "7", "7"},
      {"MdbFile", LocalDir() + "tessaryn.mdb", LocalDir() + "tessaryn.mdb", text(&CTessarynApp::GetMdbFile),
       [](CTessarynApp& a) { a.SetMdbFile("D:\\old.mdb"); }, "D:\\old.mdb", "D:\\old.mdb"},
      {"Diaphaneity", "255", "255", number(&CTessarynApp::GetDiaphaneity),
       [](CTessarynApp& a) { a.SetDiaphaneity(10); }, "25", "25"},
      {"ScreenSaveType", "BMP", "BMP", text(&CTessarynApp::GetScreenSaveType),
       [](CTessarynApp& a) { a.SetScreenSaveType("GIF"); }, "GIF", "GIF"},
      {"LockScreenPass", "", "", text(&CTessarynApp::GetLockScreenPass),
       [](CTessarynApp& a) { a.SetLockScreenPass("0CC175B9"); }, "0CC175B9", "0CC175B9"},
      {"EditListMenu", "Y", "on", flag(&CTessarynApp::IsEditListMenu),
       [](CTessarynApp& a) { a.SetEditListMenu(false); }, "N", "off"},
      {"RunListMenu", "Y", "on", flag(&CTessarynApp::IsRunListMenu),
       [](CTessarynApp& a) { a.SetRunListMenu(false); }, "N", "off"},
      {"OpenDirListMenu", "Y", "on", flag(&CTessarynApp::IsOpenDirListMenu),
       [](CTessarynApp& a) { a.SetOpenDirListMenu(false); }, "N", "off"},
      {"MainWidth", "208", "208", number(&CTessarynApp::GetMainWidth), nullptr, "", ""},
      {"MainHeight", "240", "240", number(&CTessarynApp::GetMainHeight), nullptr, "", ""},
      {"MainState", "0", "off", flag(&CTessarynApp::IsMainMinimized), nullptr, "", ""},
      {"AutoPaste", "0", "off", flag(&CTessarynApp::IsAutoPaste), nullptr, "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.get(app_), c.read) << c.key << ": the default";
    EXPECT_EQ(Stored(c.key), c.stored) << c.key << ": the default is written back on the first read";
    if (!c.set) continue;  // the main window's state: SaveMainWindowState below
    c.set(app_);
    EXPECT_EQ(Stored(c.key), c.storedAfterSet) << c.key << " after its setter";
    EXPECT_EQ(c.get(app_), c.readAfterSet) << c.key << " read after its setter";
    app_.ResetSettingsCache();
    EXPECT_EQ(c.get(app_), c.readAfterSet) << c.key << " read from the file after its setter";
  }
  EXPECT_EQ(app_.GetMainX(-7), -7) << "MainX defaults to where the window is";
  EXPECT_EQ(Stored("MainX"), "-7");
  EXPECT_EQ(app_.GetMainY(33), 33);
  EXPECT_EQ(Stored("MainY"), "33");
}

TEST_F(SettingsTest, ScreenSaveTypeIsOneOfThreeInAnyCase) {
  Store("ScreenSaveType", "jpg");
  EXPECT_EQ(app_.GetScreenSaveType(), "JPG");
  EXPECT_EQ(Stored("ScreenSaveType"), "jpg") << "a known type in another case stays as it is";
  Store("ScreenSaveType", "PNG");
  EXPECT_EQ(app_.GetScreenSaveType(), "BMP");
  EXPECT_EQ(Stored("ScreenSaveType"), "BMP") << "an unknown type is replaced in the file";
}

TEST_F(SettingsTest, MainWindowStateIsSavedAsTheExitLeavesIt) {
  CTessarynApp::MainWindowState state;
  state.placementKnown = true;
  state.x = 12, state.y = -3, state.width = 300, state.height = 260;
  state.autoPaste = true;
  app_.SaveMainWindowState(state);
  EXPECT_EQ(Stored("MainX") + "," + Stored("MainY") + "," + Stored("MainWidth") + "," + Stored("MainHeight"),
            "12,-3,300,260");
  EXPECT_EQ(Stored("MainState"), "0");
  EXPECT_EQ(Stored("AutoPaste"), "1");
  EXPECT_TRUE(app_.IsAutoPaste());
  EXPECT_EQ(app_.GetMainWidth(), 300);

  state.minimized = true;
  state.x = 40, state.width = 999;
  app_.SaveMainWindowState(state);
  EXPECT_EQ(Stored("MainState"), "1");
  EXPECT_TRUE(app_.IsMainMinimized());
  EXPECT_EQ(Stored("MainX"), "40");
  EXPECT_EQ(Stored("MainWidth"), "300") << "a minimised window's size is not its own";

  state.placementKnown = false;
  state.x = 500;
  state.autoPaste = false;
  app_.SaveMainWindowState(state);
  EXPECT_EQ(Stored("MainX"), "40") << "a placement never restored is not saved";
  EXPECT_EQ(Stored("AutoPaste"), "0");
}

TEST_F(SettingsTest, MainWindowTitleHasOneSetter) {
  app_.SetMainWindowTitle("粘贴板");
  EXPECT_EQ(ReadIniStringRaw(HostFileSystem(), ProgramIni(), "Setup", "MainWindowTitle"), "粘贴板");
  EXPECT_EQ(app_.GetMainWindowTitle(), " 粘贴板");
}

// A full disk while a setting is written must not cost the keys already
// there: without LocalDirectory the whole history would seem gone.
TEST(SettingsOnAFullDisk, TheSettingsFilesStayWhole) {
  MemoryFileSystem fs;
  FixedEnvironment env("C:\\K\\Kelvarion.exe", "PC1", "alice");
  const std::string program = "C:\\K\\Kelvarion.ini";
  const std::string user = "D:\\Clips\\tessaryn.ini";
  const std::string programText = "[LocalDirectory]\r\nPC1.alice=D:\\Clips\r\n";
  const std::string userText = "[Setup]\r\nTempDir=D:\\Clips\\History\r\n";
  fs.PutFile(program, programText);
  fs.PutFile(user, userText);
  fs.writeLimit = 12;
  CTessarynApp app(env, fs);
  app.LoadStartupSettings();  // every missing default is written back, and every write fails
  app.SetDiaphaneity(100);
  EXPECT_EQ(fs.GetFile(program), programText) << "Kelvarion.ini lost its keys";
  EXPECT_EQ(fs.GetFile(user), userText) << "tessaryn.ini lost its keys";

  fs.writeLimit = -1;
  CTessarynApp next(env, fs);
  EXPECT_EQ(next.GetLocalDirectory(), "D:\\Clips\\");
  EXPECT_EQ(next.GetHistoryDirectory(), "D:\\Clips\\History\\");
}

TEST(SettingsPaths, ProgramSettingsFileOnlyForAnExe) {
  ScratchDir dir;
  FixedEnvironment upper(dir.path() + "KELVARION.EXE", "PC", "u");
  EXPECT_EQ(CTessarynApp(upper, HostFileSystem()).GetProgramIniPath(), dir.path() + "KELVARION.ini");

  FixedEnvironment other(dir.path() + "kelvarion.bin", "PC", "u");
  CTessarynApp app(other, HostFileSystem());
  EXPECT_EQ(app.GetProgramIniPath(), "");
  EXPECT_EQ(app.GetLocalDirectory(), dir.path() + "u\\") << "without a program settings file the default holds";
  EXPECT_EQ(app.GetMainWindowTitle(), " Kelvarion");
  EXPECT_EQ(app.GetClipFileEditor(), "kelvarion.bin");
  CTextList names;
  ReadIniSectionNames(HostFileSystem(), dir.path() + "u\\tessaryn.ini", names);
  EXPECT_EQ(names.Items(), std::vector<std::string>{"Setup"});
  EXPECT_FALSE(HostFileSystem().Exists(dir.path() + "kelvarion.ini"));
}

TEST(SettingsPaths, EnvironmentTextsAreLimited) {
  FixedEnvironment env("C:\\" + std::string(507, 'a') + "\xD5\x66" "b", std::string(300, 'c'), "\xD5\x66");
  EXPECT_EQ(GetModulePath(env), "C:\\" + std::string(507, 'a')) << "511 bytes at most, never half a character";
  EXPECT_EQ(GetComputerNameText(env).size(), 255u);
  EXPECT_EQ(GetUserNameText(env), "\xD5\x66");
  FixedEnvironment plain("C:\\dir\\x.exe", "c", "u");
  EXPECT_EQ(GetModuleDirectory(plain), "C:\\dir\\");
}

}  // namespace
}  // namespace kelvarion
