// The settings store: where the two settings files and the data directories
// are, and every setting of the "Setup" sections with its one default, read
// and written here only, the often-read ones cached by the application
// object. A setting found empty gets its default written back, so after one
// run the user settings file lists what has been used.
#pragma once

#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/file_system.h"

namespace kelvarion {

// The process as the settings see it, with the lengths the program allows.
std::string GetModulePath(Environment& env);        // at most 511 bytes
std::string GetModuleDirectory(Environment& env);   // with the trailing "\"
std::string GetComputerNameText(Environment& env);  // at most 255 bytes
std::string GetUserNameText(Environment& env);      // at most 255 bytes

// A flag value is on only when it is exactly "Y".
bool IsYes(const std::string& value);

class CTessarynApp {
 public:
  CTessarynApp(Environment& env, FileSystem& fs);

  Environment& GetEnvironment() { return env_; }
  FileSystem& GetFileSystem() { return fs_; }

  std::string GetExePath() const { return exePath_; }
  // The executable path with ".ini" for its ".exe"; empty when it does not
  // end in ".exe", and then every read yields its default.
  std::string GetProgramIniPath();
  std::string GetUserIniPath();  // local directory + "tessaryn.ini"
  // Directories end in "\" and are created, every level, when computed.
  std::string GetLocalDirectory();

  // --- "Setup" of the user settings file. Each key has one getter (its
  // default written back when the value is empty) and one setter; the
  // cached ones are kept until ResetSettingsCache, and their setters update
  // the cache.
  std::string GetHistoryDirectory();  // TempDir, cached
  void SetHistoryDirectory(const std::string& directory);
  std::string GetMdbFile();  // cached
  void SetMdbFile(const std::string& file);
  std::string GetTextEditor();  // Editer, cached
  void SetTextEditor(const std::string& program);
  std::string GetImageEditor();  // BMP_Editer, cached
  void SetImageEditor(const std::string& program);
  std::string GetClipFileEditor();  // CBF_Editer, cached
  void SetClipFileEditor(const std::string& program);
  int GetAutoLoadDays();  // at least 0, cached
  void SetAutoLoadDays(int days);
  bool IsBackupEnabled();  // Backup, cached
  void SetBackupEnabled(bool on);
  bool IsBackupMove();  // BackupM, read afresh on every call
  void SetBackupMove(bool on);
  bool IsAlwaysOnTop();  // cached
  void SetAlwaysOnTop(bool on);
  int GetPasteMenuCount();  // PAST_MENU, at least 0, cached
  void SetPasteMenuCount(int count);
  int GetDiaphaneity();  // 25..255, cached
  // Clamps to 25..255, stores the number and updates the cache.
  void SetDiaphaneity(int value);
  // The hot key, read afresh on every call by the hot-key code.
  int GetHotKey();       // a virtual-key code F1..F12 (112..123)
  void SetHotKey(int key);
  int GetHotKeyFlags();  // 1 Alt, 2 Ctrl, 4 Shift, 8 Windows key; never 0
  void SetHotKeyFlags(int flags);

  // Read afresh on every call: the main frame, the list and the paste menu
  // own these and read or write them when they act.
  bool IsListenClipboard();  // ListenClipboard
  void SetListenClipboard(bool on);
  bool IsListenFileNames();  // ListenClipboard_FileName
  void SetListenFileNames(bool on);
  bool IsToolBarShown();  // ToolBar: shown unless "0"
  void SetToolBarShown(bool shown);
  bool IsAutoHide();  // start with the main window hidden
  void SetAutoHide(bool on);
  // The paste menu's sub-menus: editor, programs to run, folders to open.
  bool IsEditListMenu();
  void SetEditListMenu(bool on);
  bool IsRunListMenu();
  void SetRunListMenu(bool on);
  bool IsOpenDirListMenu();
  void SetOpenDirListMenu(bool on);
  // "BMP", "GIF" or "JPG" (stored in any case); anything else is "BMP", which
  // is then written back.
  std::string GetScreenSaveType();
  void SetScreenSaveType(const std::string& type);
  // The screen lock's password in its stored form.
  std::string GetLockScreenPass();
  void SetLockScreenPass(const std::string& stored);

  // The main window as the previous run left it: MainX and MainY (defaults
  // the window's current place), MainWidth and MainHeight, MainState "1"
  // when it was minimised, AutoPaste "1".
  int GetMainX(int current);
  int GetMainY(int current);
  int GetMainWidth();
  int GetMainHeight();
  bool IsMainMinimized();
  bool IsAutoPaste();
  struct MainWindowState {
    bool placementKnown = false;  // false: only AutoPaste is written
    int x = 0, y = 0, width = 0, height = 0;
    bool minimized = false;  // then the size is not written
    bool autoPaste = false;
  };
  // The setter of those six keys, in one write of the file: the exit saves
  // them, and a logoff may end the process right after.
  void SaveMainWindowState(const MainWindowState& state);

  // --- "Setup" of the program settings file.
  std::string GetMainWindowTitle();  // with one blank in front; outlives a cache reset
  void SetMainWindowTitle(const std::string& title);  // without the blank
  std::string GetVersionText() const { return "1.20"; }
  // The update server the about box asks for news: "UpdateHost" (a host name,
  // optionally with ":port"), by default ours, so that a company's mirror or
  // a test server can stand in for it.
  std::string GetUpdateHost();

  // --- Section "Find" of the user settings file: the search window's
  // history. Keys "0" to "19" in key order, each value as stored (empty for
  // a missing key); and entries written under keys "0", "1", ... in one write.
  std::vector<std::string> ReadFindHistory();
  void WriteFindHistory(const std::vector<std::string>& entries);

  // Forgets every cached value except the exe path and the main window
  // title, so that settings changed in the file take effect on the next read.
  void ResetSettingsCache();
  // Reads every setting of the store once at start-up, which on a first
  // start writes each default into the settings files.
  void LoadStartupSettings();

 private:
  // A value of "Setup" in the user settings file, the default written back
  // when it is empty; and a value written there.
  std::string ReadSetup(const char* key, const std::string& defaultValue);
  void WriteSetup(const char* key, const std::string& value);
  bool ReadFlag(const char* key, const char* defaultValue) { return IsYes(ReadSetup(key, defaultValue)); }
  void WriteFlag(const char* key, bool on) { WriteSetup(key, on ? "Y" : "N"); }

  Environment& env_;
  FileSystem& fs_;

  // The cache: texts are empty and numbers -1 while not loaded.
  std::string exePath_;
  std::string historyDirectory_;
  std::string localDirectory_;
  std::string programIniPath_;
  std::string mdbFile_;
  std::string textEditor_;
  std::string imageEditor_;
  std::string clipFileEditor_;
  int backup_ = -1;
  int autoLoadDays_ = -1;
  int alwaysOnTop_ = -1;
  int diaphaneity_ = -1;
  std::string mainWindowTitle_;
  int pasteMenuCount_ = -1;
};

}  // namespace kelvarion
