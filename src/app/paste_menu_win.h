// The paste menu at the mouse cursor: notes the window the user works in,
// gathers the menu from the newest rows, the menu files and the built-in
// commands, shows it, carries out the choice, and gives the focus (and, with
// auto-paste, the paste) back to that window.
#pragma once

#include <windows.h>

#include "settings/shell_context_win.h"

namespace kelvarion {

class CTessarynView;

// What the menu needs of the main frame.
class PasteMenuHost {
 public:
  struct Flags {
    bool listening = false;
    bool autoPaste = false;
    bool windowListOpen = false;
  };
  virtual ~PasteMenuHost() = default;
  virtual Flags GetPasteMenuFlags() const = 0;
  // The built-in entries that act on the frame itself (show it, listening,
  // auto-paste, settings, exit); true when it showed the frame.
  virtual bool RunFrameCommand(int builtin) = 0;
};

// frame: the main frame's window, which owns the menu and comes to the
// front for it.
void RunPasteMenu(ShellContext& context, CTessarynView& view, HWND frame, PasteMenuHost& host);

}  // namespace kelvarion
