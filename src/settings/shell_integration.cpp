#include "settings/shell_integration.h"

#include "base/dbcs.h"

namespace kelvarion {

namespace {

std::string CommandKey(const char* menuKey) { return std::string(menuKey) + "\\command"; }

bool PointsHere(RegistryStore& registry, const std::string& keyPath, const char* valueName,
                const std::string& exePath) {
  return ToUpper(registry.ReadString(keyPath, valueName)) == ToUpper(QuotedProgramPath(exePath));
}

void RemoveMenu(RegistryStore& registry, const char* menuKey) {
  registry.DeleteValue(CommandKey(menuKey), "");
  registry.DeleteKey(CommandKey(menuKey));
  registry.DeleteKey(menuKey);
}

}  // namespace

std::string QuotedProgramPath(const std::string& exePath) { return "\"" + exePath + "\""; }

bool IsStartWithWindows(RegistryStore& registry, const std::string& exePath) {
  return PointsHere(registry, kRunKey, kRunValueName, exePath) ||
         PointsHere(registry, kUserRunKey, kRunValueName, exePath);
}

bool IsMyComputerMenu(RegistryStore& registry, const std::string& exePath) {
  return PointsHere(registry, CommandKey(kMyComputerMenuKey), "", exePath) ||
         PointsHere(registry, CommandKey(kUserMyComputerMenuKey), "", exePath);
}

int SetStartWithWindows(RegistryStore& registry, const std::string& exePath, bool on) {
  if (on) {
    const std::string quoted = QuotedProgramPath(exePath);
    if (registry.WriteString(kRunKey, kRunValueName, quoted) == 0) return 0;
    return registry.WriteString(kUserRunKey, kRunValueName, quoted);
  }
  registry.DeleteValue(kRunKey, kRunValueName);
  registry.DeleteValue(kUserRunKey, kRunValueName);
  return 0;
}

int SetMyComputerMenu(RegistryStore& registry, const std::string& exePath, bool on) {
  if (on) {
    const std::string quoted = QuotedProgramPath(exePath);
    if (registry.WriteString(CommandKey(kMyComputerMenuKey), "", quoted) == 0) return 0;
    return registry.WriteString(CommandKey(kUserMyComputerMenuKey), "", quoted);
  }
  RemoveMenu(registry, kMyComputerMenuKey);
  RemoveMenu(registry, kUserMyComputerMenuKey);
  return 0;
}

}  // namespace kelvarion
