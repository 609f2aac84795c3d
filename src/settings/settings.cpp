#include "settings/settings.h"

#include <algorithm>
#include <string_view>

#include "base/dbcs.h"
#include "base/file_utils.h"
#include "base/ini.h"
#include "base/strings.h"
#include "settings/maker.h"

namespace kelvarion {

namespace {

const char kSetup[] = "Setup";

// The keys of "Setup". Section and key names match without regard to case,
// so the section's "setup" and the settings dialog's "backup" are these too.
const char kListenClipboard[] = "ListenClipboard";
const char kListenFileNames[] = "ListenClipboard_FileName";
const char kAutoPaste[] = "AutoPaste";
const char kToolBar[] = "ToolBar";
const char kMainX[] = "MainX";
const char kMainY[] = "MainY";
const char kMainWidth[] = "MainWidth";
const char kMainHeight[] = "MainHeight";
const char kMainState[] = "MainState";
const char kAutoHide[] = "AutoHide";
const char kAlwaysOnTop[] = "AlwaysOnTop";
const char kHotKeyFlags[] = "HotKeyFlags";
const char kHotKey[] = "HotKey";
const char kTempDir[] = "TempDir";
const char kEditer[] = "Editer";
const char kBmpEditer[] = "BMP_Editer";
const char kCbfEditer[] = "CBF_Editer";
const char kAutoLoadDays[] = "AutoLoadDays";
const char kBackup[] = "Backup";
const char kBackupM[] = "BackupM";
const char kPasteMenu[] = "PAST_MENU";
const char kMdbFile[] = "MdbFile";
const char kDiaphaneity[] = "Diaphaneity";
const char kScreenSaveType[] = "ScreenSaveType";
const char kLockScreenPass[] = "LockScreenPass";
const char kEditListMenu[] = "EditListMenu";
const char kRunListMenu[] = "RunListMenu";
const char kOpenDirListMenu[] = "OpenDirListMenu";
// The search window's history, in a section of its own.
const char kFind[] = "Find";
constexpr int kFindHistoryKeys = 20;
// In the program settings file.
const char kMainWindowTitle[] = "MainWindowTitle";

// At most limit bytes, never cut inside a double-byte character.
std::string Limit(const std::string& text, std::size_t limit) { return std::string(CutOnCharacter(text, limit)); }

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

std::string CTessarynApp::ReadSetup(const char* key, const std::string& defaultValue) {
  return ReadIniString(fs_, GetUserIniPath(), kSetup, key, defaultValue);
}

void CTessarynApp::WriteSetup(const char* key, const std::string& value) {
  WriteIniString(fs_, GetUserIniPath(), kSetup, key, value);
}

std::string CTessarynApp::GetHistoryDirectory() {
  if (!historyDirectory_.empty()) return historyDirectory_;
  const std::string fallback = AddTrailingBackslash(GetLocalDirectory()) + "CPasteClipboard\\";
  historyDirectory_ = AddTrailingBackslash(ReadSetup(kTempDir, fallback));
  CreateDirectoryPath(fs_, historyDirectory_);
  return historyDirectory_;
}

void CTessarynApp::SetHistoryDirectory(const std::string& directory) {
  WriteSetup(kTempDir, directory);
  historyDirectory_.clear();  // normalised and created on the next read
}

std::string CTessarynApp::GetMdbFile() {
  if (mdbFile_.empty()) mdbFile_ = ReadSetup(kMdbFile, GetLocalDirectory() + "tessaryn.mdb");
  return mdbFile_;
}

void CTessarynApp::SetMdbFile(const std::string& file) {
  WriteSetup(kMdbFile, file);
  mdbFile_ = file;
}

std::string CTessarynApp::GetTextEditor() {
  if (textEditor_.empty()) textEditor_ = ReadSetup(kEditer, "notepad.exe");
  return textEditor_;
}

void CTessarynApp::SetTextEditor(const std::string& program) {
  WriteSetup(kEditer, program);
  textEditor_ = program;
}

std::string CTessarynApp::GetImageEditor() {
  if (imageEditor_.empty()) imageEditor_ = ReadSetup(kBmpEditer, "mspaint.exe");
  return imageEditor_;
}

void CTessarynApp::SetImageEditor(const std::string& program) {
  WriteSetup(kBmpEditer, program);
  imageEditor_ = program;
}

std::string CTessarynApp::GetClipFileEditor() {
  if (clipFileEditor_.empty()) clipFileEditor_ = ReadSetup(kCbfEditer, FileNamePart(exePath_));
  return clipFileEditor_;
}

void CTessarynApp::SetClipFileEditor(const std::string& program) {
  WriteSetup(kCbfEditer, program);
  clipFileEditor_ = program;
}

int CTessarynApp::GetAutoLoadDays() {
  if (autoLoadDays_ < 0) autoLoadDays_ = std::max(0, StrToInt(ReadSetup(kAutoLoadDays, "1")));
  return autoLoadDays_;
}

void CTessarynApp::SetAutoLoadDays(int days) {
  autoLoadDays_ = std::max(0, days);
  WriteSetup(kAutoLoadDays, IntToString(autoLoadDays_));
}

bool CTessarynApp::IsBackupEnabled() {
  if (backup_ < 0) backup_ = ReadFlag(kBackup, "Y") ? 1 : 0;
  return backup_ == 1;
}

void CTessarynApp::SetBackupEnabled(bool on) {
  WriteFlag(kBackup, on);
  backup_ = on ? 1 : 0;
}

bool CTessarynApp::IsBackupMove() { return ReadFlag(kBackupM, "N"); }
void CTessarynApp::SetBackupMove(bool on) { WriteFlag(kBackupM, on); }

bool CTessarynApp::IsAlwaysOnTop() {
  if (alwaysOnTop_ < 0) alwaysOnTop_ = ReadFlag(kAlwaysOnTop, "Y") ? 1 : 0;
  return alwaysOnTop_ == 1;
}

void CTessarynApp::SetAlwaysOnTop(bool on) {
  WriteFlag(kAlwaysOnTop, on);
  alwaysOnTop_ = on ? 1 : 0;
}

int CTessarynApp::GetPasteMenuCount() {
  if (pasteMenuCount_ < 0) pasteMenuCount_ = std::max(0, StrToInt(ReadSetup(kPasteMenu, "20")));
  return pasteMenuCount_;
}

void CTessarynApp::SetPasteMenuCount(int count) {
  pasteMenuCount_ = std::max(0, count);
  WriteSetup(kPasteMenu, IntToString(pasteMenuCount_));
}

int CTessarynApp::GetDiaphaneity() {
  if (diaphaneity_ < 0) diaphaneity_ = std::clamp(StrToInt(ReadSetup(kDiaphaneity, "255")), 25, 255);
  return diaphaneity_;
}

void CTessarynApp::SetDiaphaneity(int value) {
  diaphaneity_ = std::clamp(value, 25, 255);
  WriteSetup(kDiaphaneity, IntToString(diaphaneity_));
}

int CTessarynApp::GetHotKey() {
  int key = StrToInt(ReadSetup(kHotKey, "112"));
  return key >= 112 && key <= 123 ? key : 112;  // F1..F12 only
}

void CTessarynApp::SetHotKey(int key) { WriteSetup(kHotKey, IntToString(key)); }

int CTessarynApp::GetHotKeyFlags() {
  int flags = StrToInt(ReadSetup(kHotKeyFlags, "2")) & 0xF;
  return flags == 0 ? 2 : flags;  // a hot key needs a modifier: Ctrl by default
}

void CTessarynApp::SetHotKeyFlags(int flags) { WriteSetup(kHotKeyFlags, IntToString(flags)); }

bool CTessarynApp::IsListenClipboard() { return ReadFlag(kListenClipboard, "Y"); }
void CTessarynApp::SetListenClipboard(bool on) { WriteFlag(kListenClipboard, on); }
bool CTessarynApp::IsListenFileNames() { return ReadFlag(kListenFileNames, "N"); }
void CTessarynApp::SetListenFileNames(bool on) { WriteFlag(kListenFileNames, on); }
bool CTessarynApp::IsToolBarShown() { return ReadSetup(kToolBar, "1") != "0"; }
void CTessarynApp::SetToolBarShown(bool shown) { WriteSetup(kToolBar, shown ? "1" : "0"); }
bool CTessarynApp::IsAutoHide() { return ReadFlag(kAutoHide, "N"); }
void CTessarynApp::SetAutoHide(bool on) { WriteFlag(kAutoHide, on); }
bool CTessarynApp::IsEditListMenu() { return ReadFlag(kEditListMenu, "Y"); }
void CTessarynApp::SetEditListMenu(bool on) { WriteFlag(kEditListMenu, on); }
bool CTessarynApp::IsRunListMenu() { return ReadFlag(kRunListMenu, "Y"); }
void CTessarynApp::SetRunListMenu(bool on) { WriteFlag(kRunListMenu, on); }
bool CTessarynApp::IsOpenDirListMenu() { return ReadFlag(kOpenDirListMenu, "Y"); }
void CTessarynApp::SetOpenDirListMenu(bool on) { WriteFlag(kOpenDirListMenu, on); }

std::string CTessarynApp::GetScreenSaveType() {
  const std::string type = ToUpper(ReadSetup(kScreenSaveType, "BMP"));
  if (type == "BMP" || type == "GIF" || type == "JPG") return type;
  WriteSetup(kScreenSaveType, "BMP");
  return "BMP";
}

void CTessarynApp::SetScreenSaveType(const std::string& type) { WriteSetup(kScreenSaveType, type); }

std::string CTessarynApp::GetLockScreenPass() { return ReadSetup(kLockScreenPass, ""); }
void CTessarynApp::SetLockScreenPass(const std::string& stored) { WriteSetup(kLockScreenPass, stored); }

int CTessarynApp::GetMainX(int current) { return StrToInt(ReadSetup(kMainX, IntToString(current))); }
int CTessarynApp::GetMainY(int current) { return StrToInt(ReadSetup(kMainY, IntToString(current))); }
int CTessarynApp::GetMainWidth() { return StrToInt(ReadSetup(kMainWidth, "208")); }
int CTessarynApp::GetMainHeight() { return StrToInt(ReadSetup(kMainHeight, "240")); }
bool CTessarynApp::IsMainMinimized() { return ReadSetup(kMainState, "0") == "1"; }
bool CTessarynApp::IsAutoPaste() { return ReadSetup(kAutoPaste, "0") == "1"; }

void CTessarynApp::SaveMainWindowState(const MainWindowState& state) {
  IniEntries entries;
  if (state.placementKnown) {
    entries = {{kMainX, IntToString(state.x)}, {kMainY, IntToString(state.y)}};
    if (state.minimized) {
      entries.emplace_back(kMainState, "1");
    } else {
      entries.emplace_back(kMainState, "0");
      entries.emplace_back(kMainWidth, IntToString(state.width));
      entries.emplace_back(kMainHeight, IntToString(state.height));
    }
  }
  entries.emplace_back(kAutoPaste, state.autoPaste ? "1" : "0");
  WriteIniStrings(fs_, GetUserIniPath(), kSetup, entries);
}

std::vector<std::string> CTessarynApp::ReadFindHistory() {
  std::vector<std::string> values;
  for (int i = 0; i < kFindHistoryKeys; ++i) values.push_back(ReadIniStringRaw(fs_, GetUserIniPath(), kFind, IntToString(i)));
  return values;
}

void CTessarynApp::WriteFindHistory(const std::vector<std::string>& entries) {
  IniEntries lines;
  for (std::size_t i = 0; i < entries.size(); ++i) lines.emplace_back(IntToString(static_cast<int>(i)), entries[i]);
  WriteIniStrings(fs_, GetUserIniPath(), kFind, lines);
}

std::string CTessarynApp::GetMainWindowTitle() {
  if (mainWindowTitle_.empty())
    mainWindowTitle_ = " " + ReadIniString(fs_, GetProgramIniPath(), kSetup, kMainWindowTitle, "Kelvarion");
  return mainWindowTitle_;
}

void CTessarynApp::SetMainWindowTitle(const std::string& title) {
  WriteIniString(fs_, GetProgramIniPath(), kSetup, kMainWindowTitle, title);
  mainWindowTitle_ = " " + title;
}

std::string CTessarynApp::GetUpdateHost() {
  return ReadIniString(fs_, GetProgramIniPath(), kSetup, "UpdateHost", kMakerUpdateHost);
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
