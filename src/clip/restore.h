// Putting a history item back on the clipboard: a text, a bitmap (BMP, or a
// GIF or JPEG decoded to one), or a saved clipboard with the formats the
// user lets back, so that it can be pasted anywhere.
#pragma once

#include <string>
#include <string_view>

#include "base/text_list.h"
#include "clip/capture.h"
#include "platform/clipboard_port.h"
#include "platform/file_system.h"
#include "platform/user_notice.h"

namespace kelvarion {

// Everything here empties the clipboard in a session opened for owner, one of
// the program's own windows, which then owns what is put there: emptied
// without a window the clipboard would have no owner, and Windows refuses
// data for an ownerless clipboard.

// Puts text on the clipboard as TEXT (zero-terminated code page 936 bytes)
// and beside it as UNICODETEXT, so that programs reading wide text get the
// same characters whatever keyboard layout is active. Returns the text's
// length, -1 when the clipboard cannot be opened, -2 when memory cannot be
// had (the clipboard is then empty) or the text is longer than INT_MAX bytes
// (the clipboard is not touched).
int PutTextOnClipboard(ClipboardPort& clipboard, ClipboardPort::Window owner, std::string_view text);
// The same for a history text in its kept form (base/history_text.h): a
// UTF-8 one goes on as UNICODETEXT exactly and as TEXT as well as code page
// 936 allows. Returns the kept text's length or the codes above.
int PutHistoryTextOnClipboard(ClipboardPort& clipboard, ClipboardPort::Window owner, std::string_view text);

// Puts a BMP file's bitmap (what follows its 14-byte file header) on the
// clipboard as DIB, as the BMP reader holds it: a file whose header that
// reader refuses is not placed, and only the bytes its header describes are
// (rows stored top first are turned over, colours used and image size filled
// in). Returns the number of bytes placed, or -1 (no such file), -2 (not
// longer than 14 bytes), -3 (cannot be opened), -4 (does not begin with "BM",
// or its header is refused), -5 (the clipboard cannot be opened), -6 (no
// memory), -7 (the bitmap cannot be read in full). The clipboard is touched
// only once the bitmap has been read.
int PutBmpFileOnClipboard(ClipboardPort& clipboard, FileSystem& files, const std::string& path,
                          ClipboardPort::Window owner);

// Which records of a clipboard file go back, one character per name: the
// first character of the name's value in section "NoCopy" of the settings
// file (key: the name in upper case; "0" or an empty value: put back). A
// missing key counts as "0", except for a name whose upper case holds
// "PRIVATE": that defaults to "1", and the default is written into the file.
std::string BuildNoCopyMask(FileSystem& files, const std::string& settingsFile, const CTextList& names);

// What a history row contributes to a restore.
struct RestoreRow {
  std::string fileName;  // name in the history directory
  std::string iconFile;
  int iconIndex = 0;
  std::string memo;      // the row's text
};

struct RestoreContext {
  ClipboardPort& clipboard;
  ClipboardPort::Window window;  // the view's window: it owns what the restore puts on the clipboard
  FileSystem& files;
  std::string historyDirectory;  // ends in "\"
  std::string settingsFile;      // holds section "NoCopy"
  UserNotice* notice;            // may be null; tells the JPEG library's errors
};

enum class RestoreResult {
  kPlaced,    // the item is on the clipboard
  kNothing,   // not a kind that can be restored, or the file is gone; clipboard untouched
  kFailed,    // the clipboard could not be opened or filled
};

// Puts the row's history file back on the clipboard, by its kind (a name
// that is no history file name restores nothing):
// ".spt" as text (the last text is set first, so the change is not captured
// again), ".bmp" as a DIB, ".gif" and ".jpg" decoded to a temporary BMP
// beside the file (deleted again whatever happens), ".cbf" as the records
// "NoCopy" allows plus the program's marker with the row's icon and memo (the
// next change is skipped). A history file that cannot be read leaves the
// clipboard as it was.
RestoreResult RestoreHistoryFile(RestoreContext& context, const RestoreRow& row, CaptureState& state);

}  // namespace kelvarion
