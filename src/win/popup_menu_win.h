// Shows a menu list (see menu_list.h) as a popup menu at the mouse cursor.
#pragma once

#include <windows.h>

#include <functional>

#include "base/menu_list.h"

namespace kelvarion {

// Appends the menu tree's entries to a Win32 menu (sub-menus created here
// belong to the menu from then on).
void BuildMenuFromTree(HMENU menu, const std::vector<MenuNode>& nodes);

// Opens the menu at the cursor, waits for the choice and returns the chosen
// position, or -1 when the menu was dismissed. owner may be null.
int PopupMenuFromList(const CTextList& texts, const CNumberList& checks, const CNumberList& grays,
                      HWND owner = nullptr);

// WM_INITMENUPOPUP: enables and checks every command item of the popup as
// state says (enabled and unchecked unless it says otherwise).
using CommandState = std::function<void(UINT id, bool& enabled, bool& checked)>;
void UpdateMenuStates(HMENU popup, const CommandState& state);

}  // namespace kelvarion
