// Clipboard helpers whose workings differ by platform: putting a handle format
// on the clipboard, and telling whether somebody left the clipboard open.
#pragma once

#include "platform/clipboard_port.h"

namespace kelvarion::test {

// Adds a bitmap handle (format 2) to what the clipboard already holds: a
// handle entry on the in-memory clipboard, a GDI bitmap on the real one.
bool AddBitmapHandle(ClipboardPort& clipboard);

// Adds a metafile picture as format 3 (METAFILEPICT) and as format 0x83
// (DSPMETAFILEPICT): a header whose bytes hold a metafile handle, made of a
// real metafile on the real clipboard.
bool AddMetafilePictures(ClipboardPort& clipboard);

// True when another thread can open the clipboard, i.e. nobody left it open.
// On Windows the other thread opens it with a window of its own: the system
// lets a second opener without a window in as long as the first had none.
bool ClipboardIsClosed(ClipboardPort& clipboard);

}  // namespace kelvarion::test
