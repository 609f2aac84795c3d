#include "win/popup_menu_win.h"

#include "win/dialog.h"
#include "win/handles.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

// An invisible modal dialog owns the menu while it is tracked, so that the
// menu works the same from a hot key, the tray or a list, whatever window is
// in front.
class MenuHostDialog : public Dialog {
 public:
  MenuHostDialog(const CTextList& texts, const CNumberList& checks, const CNumberList& grays)
      : texts_(texts), checks_(checks), grays_(grays) {}
  int result = -1;

 protected:
  BOOL OnInitDialog() override {
    POINT cursor;
    GetCursorPos(&cursor);
    SetWindowPos(Hwnd(), nullptr, cursor.x, cursor.y, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    MenuHandle menu(CreatePopupMenu());
    BuildMenuFromTree(menu.get(), BuildMenuTree(texts_, checks_, grays_));
    // The owner must be in front, or the menu does not close when the user
    // clicks elsewhere.
    SetForegroundWindow(Hwnd());
    UINT id = TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, cursor.x, cursor.y, 0,
                             Hwnd(), nullptr);
    if (id >= static_cast<UINT>(kMenuListFirstId)) result = static_cast<int>(id) - kMenuListFirstId;
    PostMessageW(Hwnd(), WM_CLOSE, 0, 0);
    return TRUE;
  }
  INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_CLOSE) {
      EndDialog(IDCANCEL);
      return TRUE;
    }
    return Dialog::DialogProc(msg, wParam, lParam);
  }

 private:
  const CTextList& texts_;
  const CNumberList& checks_;
  const CNumberList& grays_;
};

}  // namespace

void BuildMenuFromTree(HMENU menu, const std::vector<MenuNode>& nodes) {
  for (const MenuNode& node : nodes) {
    // Labels of recent items carry copied texts, which may be kept as UTF-8.
    std::wstring label = WidenHistoryText(node.label);
    UINT flags = (node.checked ? MF_CHECKED : 0) | (node.grayed ? MF_GRAYED : 0);
    switch (node.kind) {
      case MenuNode::Kind::kItem:
        AppendMenuW(menu, MF_STRING | flags, static_cast<UINT_PTR>(node.id), label.c_str());
        break;
      case MenuNode::Kind::kSeparator:
        AppendMenuW(menu, MF_SEPARATOR, static_cast<UINT_PTR>(node.id), nullptr);
        break;
      case MenuNode::Kind::kSubMenu: {
        HMENU sub = CreatePopupMenu();
        BuildMenuFromTree(sub, node.children);
        AppendMenuW(menu, MF_POPUP | MF_STRING | flags, reinterpret_cast<UINT_PTR>(sub), label.c_str());
        break;
      }
    }
  }
}

int PopupMenuFromList(const CTextList& texts, const CNumberList& checks, const CNumberList& grays, HWND owner) {
  // A popup with caption whose 2 x 2 template shrinks to nothing: the host
  // never shows, though it exists while the menu runs.
  struct alignas(4) {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
  } dialogTemplate = {};
  dialogTemplate.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  dialogTemplate.header.cx = 2 - 14;
  dialogTemplate.header.cy = 2 - 14;
  MenuHostDialog host(texts, checks, grays);
  host.DoModalIndirect(owner, &dialogTemplate.header);
  return host.result;
}

void UpdateMenuStates(HMENU popup, const CommandState& state) {
  const int count = GetMenuItemCount(popup);
  for (int i = 0; i < count; ++i) {
    const UINT id = GetMenuItemID(popup, i);
    // Separators have 0, sub-menus -1.
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    bool enabled = true, checked = false;
    state(id, enabled, checked);
    EnableMenuItem(popup, i, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(popup, i, MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
  }
}

}  // namespace kelvarion
