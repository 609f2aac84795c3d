// The paste menu at the mouse cursor: notes the window the user works in,
// gathers the menu from the newest rows, the menu files and the built-in
// commands, shows it, carries out the choice, and gives the focus (and, with
// auto-paste, the paste) back to that window.
#pragma once

#include <windows.h>

#include "settings/shell_context_win.h"

namespace kelvarion {

class CTessarynView;

// What the menu shows of the main frame's state.
struct PasteMenuFlags {
  bool listening = false;
  bool autoPaste = false;
  bool windowListOpen = false;
};

// frame: the main frame's window, which owns the menu and comes to the
// front for it. The built-in commands that act on the frame (listening,
// auto-paste, settings, exit) go to it as the commands of its window menu.
void RunPasteMenu(ShellContext& context, CTessarynView& view, HWND frame, const PasteMenuFlags& flags);

}  // namespace kelvarion
