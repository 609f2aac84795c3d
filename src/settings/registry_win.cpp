#include "settings/registry_win.h"

#include <shlobj.h>

#include <vector>

#include "base/dbcs.h"
#include "win/handles.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

// Values are read into 32 768 bytes of code page 936 text, terminator
// included; the wide buffer has room for as many characters.
constexpr DWORD kValueBytes = 32768;

KeyHandle OpenKey(HKEY root, const std::string& subPath, REGSAM access) {
  KeyHandle key;
  if (RegOpenKeyExW(root, Widen(subPath).c_str(), 0, access, key.put()) != ERROR_SUCCESS) key.reset();
  return key;
}

}  // namespace

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::kCurrentConfig: return HKEY_CURRENT_CONFIG;
    case RegistryRoot::kCurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::kUsers: return HKEY_USERS;
    case RegistryRoot::kPerformanceData: return HKEY_PERFORMANCE_DATA;
    case RegistryRoot::kDynData: return HKEY_DYN_DATA;
  }
  return nullptr;
}

int RegWriteString(const std::string& keyPath, const std::string& valueName, const std::string& text) {
  RegistryPath path;
  if (int r = ParseRegistryPath(keyPath, &path); r != 0) return r;
  const HKEY root = RootKey(path.root);
  // Each level is created below the one before; a level that cannot be made
  // leaves the open of the whole path to fail.
  for (const std::string& level : RegistryKeyLevels(path.subPath)) {
    KeyHandle created;
    if (RegCreateKeyExW(root, Widen(level).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        created.put(), nullptr) != ERROR_SUCCESS) {
      created.reset();
      break;
    }
  }
  KeyHandle key = OpenKey(root, path.subPath, KEY_SET_VALUE);
  if (!key) return kRegistryKeyNotOpened;
  const std::wstring wide = Widen(text);
  // REG_SZ data carries its terminating zero, as readers of the value expect.
  const DWORD bytes = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
  return static_cast<int>(RegSetValueExW(key.get(), Widen(valueName).c_str(), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(wide.c_str()), bytes));
}

std::string RegReadString(const std::string& keyPath, const std::string& valueName) {
  RegistryPath path;
  if (ParseRegistryPath(keyPath, &path) != 0) return {};
  KeyHandle key = OpenKey(RootKey(path.root), path.subPath, KEY_QUERY_VALUE);
  if (!key) return {};
  std::vector<wchar_t> buffer(kValueBytes + 1, L'\0');
  DWORD type = 0;
  DWORD bytes = kValueBytes * sizeof(wchar_t);
  if (RegQueryValueExW(key.get(), Widen(valueName).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                       &bytes) != ERROR_SUCCESS)
    return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
  std::wstring wide(buffer.data(), bytes / sizeof(wchar_t));
  // Stored with or without its terminating zero: the text ends at the first.
  if (std::size_t zero = wide.find(L'\0'); zero != std::wstring::npos) wide.resize(zero);
  std::string text = Narrow(wide);
  if (text.size() >= kValueBytes) return {};
  return text;
}

int RegDeleteValuePath(const std::string& keyPath, const std::string& valueName) {
  RegistryPath path;
  if (int r = ParseRegistryPath(keyPath, &path); r != 0) return r;
  KeyHandle key = OpenKey(RootKey(path.root), path.subPath, KEY_SET_VALUE);
  if (!key) return kRegistryKeyNotOpened;
  return static_cast<int>(RegDeleteValueW(key.get(), Widen(valueName).c_str()));
}

int RegDeleteKeyPath(const std::string& keyPath) {
  RegistryPath path;
  if (int r = ParseRegistryPath(keyPath, &path); r != 0) return r;
  std::string parentPath, name;
  SplitRegistryKey(path.subPath, &parentPath, &name);
  KeyHandle parent = OpenKey(RootKey(path.root), parentPath, KEY_ALL_ACCESS);
  if (!parent) return kRegistryParentNotOpened;
  return static_cast<int>(RegDeleteKeyW(parent.get(), Widen(name).c_str()));
}

std::string ChooseDirectory(HWND owner, const std::string& title) {
  const std::wstring wideTitle = Widen(title.empty() ? std::string("Select a directory...") : title);
  wchar_t display[MAX_PATH] = L"";
  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.pszDisplayName = display;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (!chosen) return {};
  wchar_t folder[MAX_PATH] = L"";
  const BOOL hasPath = SHGetPathFromIDListW(chosen, folder);
  CoTaskMemFree(chosen);
  if (!hasPath || folder[0] == L'\0') return {};
  std::string path = Narrow(folder);
  // A drive root comes with its "\" already.
  if (!EndsWithChar(path, '\\')) path += '\\';
  return path;
}

}  // namespace kelvarion
