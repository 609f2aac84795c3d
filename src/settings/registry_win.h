// The registry routines over whole key paths ("HKEY_CURRENT_USER\Software\..."),
// the folder browser, and the Win32 RegistryStore the settings dialog writes
// the shell integration through. Paths and texts are code page 936; the
// system is called through its wide functions.
#pragma once

#include <windows.h>

#include <string>

#include "settings/registry_path.h"

namespace kelvarion {

HKEY RootKey(RegistryRoot root);

// Creates the missing keys of the path level by level and writes text as
// REG_SZ. 0, or -1 (no "\" after the root name), -2 (unknown root), -3 (key
// not opened after creating it), or the system's error of the write.
int RegWriteString(const std::string& keyPath, const std::string& valueName, const std::string& text);
// The value's text; empty for an unknown root, a key that cannot be opened
// or a value that cannot be read (values longer than 32 767 bytes included).
std::string RegReadString(const std::string& keyPath, const std::string& valueName);
// The system's result of the deletion, or -1, -2, -3 as above.
int RegDeleteValuePath(const std::string& keyPath, const std::string& valueName);
// Deletes the last key of the path (which must have no sub-keys); the
// system's result, or -1, -2, or -4 when its parent cannot be opened.
int RegDeleteKeyPath(const std::string& keyPath);

// The shell's folder browser; the chosen folder with a trailing "\", or empty
// when the user cancels or the choice is no file-system folder. An empty
// title shows "Select a directory...".
std::string ChooseDirectory(HWND owner, const std::string& title);

class Win32Registry : public RegistryStore {
 public:
  int WriteString(const std::string& keyPath, const std::string& valueName, const std::string& text) override {
    return RegWriteString(keyPath, valueName, text);
  }
  std::string ReadString(const std::string& keyPath, const std::string& valueName) override {
    return RegReadString(keyPath, valueName);
  }
  int DeleteValue(const std::string& keyPath, const std::string& valueName) override {
    return RegDeleteValuePath(keyPath, valueName);
  }
  int DeleteKey(const std::string& keyPath) override { return RegDeleteKeyPath(keyPath); }
};

}  // namespace kelvarion
