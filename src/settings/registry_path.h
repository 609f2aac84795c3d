// Registry keys named by whole paths of text, such as
// "HKEY_LOCAL_MACHINE\Software\Microsoft": the root name (any case), a "\",
// and the sub-path below it. The program's registry routines take these, and
// the shell integration writes through a RegistryStore so that it can be
// tried against a registry that refuses some roots.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvarion {

enum class RegistryRoot {
  kClassesRoot,
  kCurrentConfig,
  kCurrentUser,
  kLocalMachine,
  kUsers,
  kPerformanceData,
  kDynData,
};

// Failures of the path routines, as they return them.
inline constexpr int kRegistryNoRootSeparator = -1;
inline constexpr int kRegistryUnknownRoot = -2;
inline constexpr int kRegistryKeyNotOpened = -3;
inline constexpr int kRegistryParentNotOpened = -4;

// The root of one of the seven names, compared without regard to case;
// false for any other name.
bool FindRegistryRoot(std::string_view name, RegistryRoot* root);
// The name of a root as paths spell it.
const char* RegistryRootName(RegistryRoot root);

struct RegistryPath {
  RegistryRoot root = RegistryRoot::kCurrentUser;
  std::string subPath;  // below the root; may be empty ("HKEY_USERS\")
};

// 0, kRegistryNoRootSeparator when the path has no "\" after the root name,
// or kRegistryUnknownRoot.
int ParseRegistryPath(std::string_view path, RegistryPath* parsed);

// The keys from the top of a sub-path down to itself:
// "A\B\C" gives "A", "A\B", "A\B\C". Empty parts (a doubled or trailing "\")
// are not levels of their own.
std::vector<std::string> RegistryKeyLevels(std::string_view subPath);

// The sub-path split at its last "\": "A\B\C" gives "A\B" and "C"; a sub-path
// without "\" has the root itself (an empty parent) as its parent.
void SplitRegistryKey(std::string_view subPath, std::string* parent, std::string* name);

// The registry as the shell integration sees it; the Win32 one is the
// program's registry routines, the tests' one a map.
class RegistryStore {
 public:
  virtual ~RegistryStore() = default;
  // 0 on success; the path routines' failures or the system's error code.
  virtual int WriteString(const std::string& keyPath, const std::string& valueName, const std::string& text) = 0;
  // The value's text; empty when the key or value cannot be read.
  virtual std::string ReadString(const std::string& keyPath, const std::string& valueName) = 0;
  virtual int DeleteValue(const std::string& keyPath, const std::string& valueName) = 0;
  virtual int DeleteKey(const std::string& keyPath) = 0;
};

}  // namespace kelvarion
