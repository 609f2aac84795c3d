// A registry in memory for the shell-integration suites: key paths and value
// names match without regard to case, like the system's, and roots can be
// made to refuse writes as they do for a user without administrator rights.
#pragma once

#include <map>
#include <set>
#include <string>

#include "base/dbcs.h"
#include "settings/registry_path.h"

namespace kelvarion::test {

class MemoryRegistry : public RegistryStore {
 public:
  static constexpr int kAccessDenied = 5;
  static constexpr int kNotFound = 2;

  // Writes below this root name fail with kAccessDenied.
  void Refuse(const std::string& rootName) { refused_.insert(ToUpper(rootName)); }

  int WriteString(const std::string& keyPath, const std::string& valueName, const std::string& text) override {
    RegistryPath path;
    if (int r = ParseRegistryPath(keyPath, &path); r != 0) return r;
    if (refused_.count(RegistryRootName(path.root))) return kAccessDenied;
    for (const std::string& level : RegistryKeyLevels(path.subPath))
      keys_.insert(ToUpper(std::string(RegistryRootName(path.root)) + "\\" + level));
    values_[Key(keyPath)][ToUpper(valueName)] = text;
    return 0;
  }
  std::string ReadString(const std::string& keyPath, const std::string& valueName) override {
    auto key = values_.find(Key(keyPath));
    if (key == values_.end()) return {};
    auto value = key->second.find(ToUpper(valueName));
    return value == key->second.end() ? std::string() : value->second;
  }
  int DeleteValue(const std::string& keyPath, const std::string& valueName) override {
    if (!HasKey(keyPath)) return kRegistryKeyNotOpened;
    auto key = values_.find(Key(keyPath));
    if (key == values_.end() || key->second.erase(ToUpper(valueName)) == 0) return kNotFound;
    return 0;
  }
  int DeleteKey(const std::string& keyPath) override {
    const std::string key = Key(keyPath);
    if (!keys_.count(key)) return kNotFound;
    // As the system's: a key with keys below it stays.
    auto below = keys_.lower_bound(key + "\\");
    if (below != keys_.end() && below->rfind(key + "\\", 0) == 0) return kAccessDenied;
    keys_.erase(key);
    values_.erase(key);
    return 0;
  }

  bool HasKey(const std::string& keyPath) const { return keys_.count(Key(keyPath)) != 0; }
  bool HasValue(const std::string& keyPath, const std::string& valueName) const {
    auto key = values_.find(Key(keyPath));
    return key != values_.end() && key->second.count(ToUpper(valueName)) != 0;
  }
  // Puts a key (and its levels) in place without a value, as another program might have.
  void AddKey(const std::string& keyPath) {
    RegistryPath path;
    ParseRegistryPath(keyPath, &path);
    for (const std::string& level : RegistryKeyLevels(path.subPath))
      keys_.insert(ToUpper(std::string(RegistryRootName(path.root)) + "\\" + level));
  }

 private:
  static std::string Key(const std::string& keyPath) { return ToUpper(keyPath); }

  std::set<std::string> refused_;
  std::set<std::string> keys_;
  std::map<std::string, std::map<std::string, std::string>> values_;
};

}  // namespace kelvarion::test
