// Puts a handle format on the clipboard of either platform: the in-memory
// clipboard records a handle entry, the real one gets a GDI bitmap.
#pragma once

#include "platform/clipboard_port.h"

namespace kelvarion::test {

// Adds a bitmap handle (format 2) to what the clipboard already holds.
bool AddBitmapHandle(ClipboardPort& clipboard);

}  // namespace kelvarion::test
