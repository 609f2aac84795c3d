// The settings store: where the two settings files and the data directories
// are, and every setting of the "Setup" sections with its default, cached by
// the application object. A setting found empty gets its default written
// back, so after one run the user settings file lists what has been used.
#pragma once

#include <string>

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
  std::string GetHistoryDirectory();
  std::string GetMdbFile();
  std::string GetTextEditor();
  std::string GetImageEditor();
  std::string GetClipFileEditor();
  int GetAutoLoadDays();  // at least 0
  bool IsBackupEnabled();
  bool IsAlwaysOnTop();
  bool IsBackupMove();     // read afresh on every call
  int GetPasteMenuCount();  // at least 0
  int GetDiaphaneity();     // 25..255
  // Clamps to 25..255, stores the number and updates the cache.
  void SetDiaphaneity(int value);
  std::string GetMainWindowTitle();  // with one blank in front
  std::string GetVersionText() const { return "1.20"; }

  // Read afresh on every call by the hot-key code.
  int GetHotKey();       // a virtual-key code F1..F12 (112..123)
  int GetHotKeyFlags();  // 1 Alt, 2 Ctrl, 4 Shift, 8 Windows key; never 0

  // Forgets every cached value except the exe path and the main window
  // title, so that settings changed in the file take effect on the next read.
  void ResetSettingsCache();
  // Reads every setting of the store once at start-up, which on a first
  // start writes each default into the settings files.
  void LoadStartupSettings();

 private:
  // A value of "Setup" in the user settings file, the default written back
  // when it is empty.
  std::string ReadSetup(const std::string& key, const std::string& defaultValue);

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
