// The two registry entries the program manages for the user: starting with
// Windows (a value under the system's Run key) and an entry in the context
// menu of My Computer. Both hold the program's path in double quotes. Where
// the machine-wide keys are refused (no administrator rights) the user's own
// keys take the entry, so the boxes read both places and clearing an entry
// removes it from both.
#pragma once

#include <string>

#include "settings/registry_path.h"

namespace kelvarion {

inline constexpr char kRunKey[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kUserRunKey[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValueName[] = "Kelvarion";
// The shell shows the name below "shell" as the menu entry.
inline constexpr char kMyComputerMenuKey[] =
    "HKEY_CLASSES_ROOT\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\shell\\Kelvarion";
inline constexpr char kUserMyComputerMenuKey[] =
    "HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\shell\\Kelvarion";

// "\"" + path + "\"".
std::string QuotedProgramPath(const std::string& exePath);

// True when either place holds this very copy's quoted path (upper-cased
// both sides), so an entry of another copy shows unchecked.
bool IsStartWithWindows(RegistryStore& registry, const std::string& exePath);
bool IsMyComputerMenu(RegistryStore& registry, const std::string& exePath);

// On: writes the machine entry, or the user's when that is refused; the
// result is that of the last write (0 when one of them took it). Off: removes
// the entry, and for the menu its two keys, from both places; failures of
// the removal (nothing there) are not reported.
int SetStartWithWindows(RegistryStore& registry, const std::string& exePath, bool on);
int SetMyComputerMenu(RegistryStore& registry, const std::string& exePath, bool on);

}  // namespace kelvarion
