#include "settings/registry_path.h"

#include "base/dbcs.h"

namespace kelvarion {

namespace {

struct RootEntry {
  const char* name;
  RegistryRoot root;
};

constexpr RootEntry kRoots[] = {
    {"HKEY_CLASSES_ROOT", RegistryRoot::kClassesRoot},
    {"HKEY_CURRENT_CONFIG", RegistryRoot::kCurrentConfig},
    {"HKEY_CURRENT_USER", RegistryRoot::kCurrentUser},
    {"HKEY_LOCAL_MACHINE", RegistryRoot::kLocalMachine},
    {"HKEY_USERS", RegistryRoot::kUsers},
    {"HKEY_PERFORMANCE_DATA", RegistryRoot::kPerformanceData},
    {"HKEY_DYN_DATA", RegistryRoot::kDynData},
};

}  // namespace

bool FindRegistryRoot(std::string_view name, RegistryRoot* root) {
  for (const RootEntry& entry : kRoots) {
    if (EqualsNoCase(name, entry.name)) {
      *root = entry.root;
      return true;
    }
  }
  return false;
}

const char* RegistryRootName(RegistryRoot root) {
  for (const RootEntry& entry : kRoots)
    if (entry.root == root) return entry.name;
  return "";
}

int ParseRegistryPath(std::string_view path, RegistryPath* parsed) {
  const std::size_t separator = FindChar(path, '\\');
  if (separator == std::string_view::npos) return kRegistryNoRootSeparator;
  RegistryRoot root;
  if (!FindRegistryRoot(path.substr(0, separator), &root)) return kRegistryUnknownRoot;
  parsed->root = root;
  parsed->subPath = std::string(path.substr(separator + 1));
  return 0;
}

std::vector<std::string> RegistryKeyLevels(std::string_view subPath) {
  std::vector<std::string> levels;
  std::size_t start = 0;
  while (start <= subPath.size()) {
    std::size_t end = FindChar(subPath, '\\', start);
    if (end == std::string_view::npos) end = subPath.size();
    if (end > start) levels.emplace_back(subPath.substr(0, end));
    start = end + 1;
  }
  return levels;
}

void SplitRegistryKey(std::string_view subPath, std::string* parent, std::string* name) {
  const std::size_t separator = FindLastChar(subPath, '\\');
  if (separator == std::string_view::npos) {
    parent->clear();
    *name = std::string(subPath);
    return;
  }
  *parent = std::string(subPath.substr(0, separator));
  *name = std::string(subPath.substr(separator + 1));
}

}  // namespace kelvarion
