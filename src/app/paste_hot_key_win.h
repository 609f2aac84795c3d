// The global hot key that opens the paste menu, registered under an atom
// named after the frame's title.
#pragma once

#include <windows.h>

namespace kelvarion {

class PasteHotKey {
 public:
  // Registers modifiers + key for window (a registered one is given up
  // first). On failure the user is told that the key must be set anew, and
  // the atom's id stays, as the next registration gives it up.
  bool Register(HWND window, UINT modifiers, UINT key);
  // True when one was registered.
  bool Unregister();

 private:
  HWND window_ = nullptr;
  int id_ = 0;  // atom-based, 0 when none
};

}  // namespace kelvarion
