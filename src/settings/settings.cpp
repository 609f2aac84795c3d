#include "settings/settings.h"

#include <algorithm>
#include <string_view>

#include "base/dbcs.h"
#include "base/file_utils.h"
#include "base/ini.h"
#include "base/strings.h"

namespace kelvarion {

namespace {

const char kSetup[] = "Setup";

// At most limit bytes, never cut inside a double-byte character.
std::string Limit(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t keep = 0;
  while (keep < text.size() && keep + CharLength(text, keep) <= limit) keep += CharLength(text, keep);
  text.resize(keep);
  return text;
}

// True when the text ends in ".exe" in any case, the dot on a character
// boundary.
bool EndsWithExe(std::string_view path) {
  if (path.size() < 4 || !EqualsNoCase(path.substr(path.size() - 4), ".exe")) return false;
  std::size_t i = 0;
  while (i < path.size() - 4) i += CharLength(path, i);
  return i == path.size() - 4;
}

}  // namespace

std::string GetModulePath(Environment& env) { return Limit(env.ModulePath(), 511); }
std::string GetModuleDirectory(Environment& env) { return DirectoryPart(GetModulePath(env)); }
std::string GetComputerNameText(Environment& env) { return Limit(env.ComputerName(), 255); }
std::string GetUserNameText(Environment& env) { return Limit(env.UserName(), 255); }

bool IsYes(const std::string& value) { return value == "Y"; }

CTessarynApp::CTessarynApp(Environment& env, FileSystem& fs) : env_(env), fs_(fs), exePath_(GetModulePath(env)) {
  ResetSettingsCache();
}

void CTessarynApp::ResetSettingsCache() {
  historyDirectory_.clear();
  localDirectory_.clear();
  programIniPath_.clear();
  mdbFile_.clear();
  textEditor_.clear();
  imageEditor_.clear();
  clipFileEditor_.clear();
  backup_ = -1;
  autoLoadDays_ = -1;
  alwaysOnTop_ = -1;
  diaphaneity_ = -1;
  pasteMenuCount_ = -1;
}

std::string CTessarynApp::GetProgramIniPath() {
  // Empty by right for an executable not named ".exe"; working it out again
  // costs nothing.
  if (programIniPath_.empty() && EndsWithExe(exePath_)) programIniPath_ = exePath_.substr(0, exePath_.size() - 4) + ".ini";
  return programIniPath_;
}

std::string CTessarynApp::GetUserIniPath() { return GetLocalDirectory() + "tessaryn.ini"; }

std::string CTessarynApp::GetLocalDirectory() {
  if (!localDirectory_.empty()) return localDirectory_;
  const std::string user = GetUserNameText(env_);
  const std::string fallback = AddTrailingBackslash(GetModuleDirectory(env_)) + user + "\\";
  // Keyed by computer and user, so a shared program directory still gives
  // everyone their own settings and history.
  const std::string key = GetComputerNameText(env_) + "." + user;
  localDirectory_ = AddTrailingBackslash(ReadIniString(fs_, GetProgramIniPath(), "LocalDirectory", key, fallback));
  CreateDirectoryPath(fs_, localDirectory_);
  return localDirectory_;
}

std::string CTessarynApp::ReadSetup(const std::string& key, const std::string& defaultValue) {
  return ReadIniString(fs_, GetUserIniPath(), kSetup, key, defaultValue);
}

std::string CTessarynApp::GetHistoryDirectory() {
  if (!historyDirectory_.empty()) return historyDirectory_;
  const std::string fallback = AddTrailingBackslash(GetLocalDirectory()) + "CPasteClipboard\\";
  historyDirectory_ = AddTrailingBackslash(ReadSetup("TempDir", fallback));
  CreateDirectoryPath(fs_, historyDirectory_);
  return historyDirectory_;
}

std::string CTessarynApp::GetMdbFile() {
  if (mdbFile_.empty()) mdbFile_ = ReadSetup("MdbFile", GetLocalDirectory() + "tessaryn.mdb");
  return mdbFile_;
}

std::string CTessarynApp::GetTextEditor() {
  if (textEditor_.empty()) textEditor_ = ReadSetup("Editer", "notepad.exe");
  return textEditor_;
}

std::string CTessarynApp::GetImageEditor() {
  if (imageEditor_.empty()) imageEditor_ = ReadSetup("BMP_Editer", "mspaint.exe");
  return imageEditor_;
}

std::string CTessarynApp::GetClipFileEditor() {
  if (clipFileEditor_.empty()) clipFileEditor_ = ReadSetup("CBF_Editer", FileNamePart(exePath_));
  return clipFileEditor_;
}

int CTessarynApp::GetAutoLoadDays() {
  if (autoLoadDays_ < 0) autoLoadDays_ = std::max(0, StrToInt(ReadSetup("AutoLoadDays", "1")));
  return autoLoadDays_;
}

bool CTessarynApp::IsBackupEnabled() {
  if (backup_ < 0) backup_ = IsYes(ReadSetup("Backup", "Y")) ? 1 : 0;
  return backup_ == 1;
}

bool CTessarynApp::IsAlwaysOnTop() {
  if (alwaysOnTop_ < 0) alwaysOnTop_ = IsYes(ReadSetup("AlwaysOnTop", "Y")) ? 1 : 0;
  return alwaysOnTop_ == 1;
}

bool CTessarynApp::IsBackupMove() { return IsYes(ReadSetup("BackupM", "N")); }

int CTessarynApp::GetPasteMenuCount() {
  if (pasteMenuCount_ < 0) pasteMenuCount_ = std::max(0, StrToInt(ReadSetup("PAST_MENU", "20")));
  return pasteMenuCount_;
}

int CTessarynApp::GetDiaphaneity() {
  if (diaphaneity_ < 0) diaphaneity_ = std::clamp(StrToInt(ReadSetup("Diaphaneity", "255")), 25, 255);
  return diaphaneity_;
}

void CTessarynApp::SetDiaphaneity(int value) {
  diaphaneity_ = std::clamp(value, 25, 255);
  WriteIniString(fs_, GetUserIniPath(), kSetup, "Diaphaneity", IntToString(diaphaneity_));
}

std::string CTessarynApp::GetMainWindowTitle() {
  if (mainWindowTitle_.empty())
    mainWindowTitle_ = " " + ReadIniString(fs_, GetProgramIniPath(), kSetup, "MainWindowTitle", "Kelvarion");
  return mainWindowTitle_;
}

int CTessarynApp::GetHotKey() {
  int key = StrToInt(ReadSetup("HotKey", "112"));
  return key >= 112 && key <= 123 ? key : 112;  // F1..F12 only
}

int CTessarynApp::GetHotKeyFlags() {
  int flags = StrToInt(ReadSetup("HotKeyFlags", "2")) & 0xF;
  return flags == 0 ? 2 : flags;  // a hot key needs a modifier: Ctrl by default
}

void CTessarynApp::LoadStartupSettings() {
  GetMainWindowTitle();
  GetLocalDirectory();
  GetHistoryDirectory();
  GetMdbFile();
  GetTextEditor();
  GetImageEditor();
  GetClipFileEditor();
  GetAutoLoadDays();
  IsBackupEnabled();
  IsBackupMove();
  IsAlwaysOnTop();
  GetPasteMenuCount();
  GetDiaphaneity();
  GetHotKey();
  GetHotKeyFlags();
}

}  // namespace kelvarion
