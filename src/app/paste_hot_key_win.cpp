#include "app/paste_hot_key_win.h"

#include <string>

#include "win/text_win.h"

namespace kelvarion {

namespace {

// The system's own text for an error code, without its line end.
std::wstring SystemErrorText(DWORD error) {
  wchar_t* systemText = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 error, 0, reinterpret_cast<wchar_t*>(&systemText), 0, nullptr);
  std::wstring text = systemText ? systemText : L"";
  if (systemText) LocalFree(systemText);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  return text;
}

}  // namespace

bool PasteHotKey::Register(HWND window, UINT modifiers, UINT key) {
  if (id_) Unregister();
  window_ = window;
  const std::wstring atomName = Widen(GetWindowTextCp936(window)) + L"Tessaryn-hotkey-atom";
  id_ = GlobalAddAtomW(atomName.c_str()) & 0xFFFF;
  if (RegisterHotKey(window, id_, modifiers, key)) return true;
  const DWORD error = GetLastError();
  if (error > 0) {
    MessageBoxW(window, Widen("无法注册您所使用的热键,请重新设置").c_str(), SystemErrorText(error).c_str(),
                MB_OK | MB_ICONINFORMATION);
  }
  return false;
}

bool PasteHotKey::Unregister() {
  if (!id_) return false;
  UnregisterHotKey(window_, id_);
  GlobalDeleteAtom(static_cast<ATOM>(id_));
  id_ = 0;
  return true;
}

}  // namespace kelvarion
