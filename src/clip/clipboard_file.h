// Clipboard files (".cbf"): one complete clipboard state on disk, every
// format with its name, identifier and raw bytes, followed by a memo. Also the
// program's own marker format, which travels with every state it puts back.
//
// Layout (32-bit little-endian integers, texts in code page 936, no terminator):
//   header word   0x0001 in the high half, record count N in the low half
//   memo offset   from the start of the file
//   N records     name length L, name, identifier, data length D, D bytes
//   memo block    M (bytes including the zero), memo text, zero byte
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/text_list.h"
#include "platform/clipboard_port.h"
#include "platform/file_system.h"

namespace kelvarion {

inline constexpr char kMarkerFormatName[] = "Kelvarion-marker-format";
inline constexpr char kMarkerFirstLine[] = "Kelvarion-1";

// A reader keeps this many bytes of a record's name and skips the rest.
inline constexpr std::size_t kMaxStoredNameBytes = 256;

// A restore registers at most this many distinct format names; records of
// further names are not placed. Real clipboards carry a few dozen formats.
inline constexpr std::size_t kMaxRestoredNames = 256;

// Fixed name of a predefined format 1..17 ("TEXT" ... "MAX"); empty otherwise.
std::string_view PredefinedFormatName(std::uint32_t id);

// The marker's text: "Kelvarion-1", icon file, icon index and memo as four
// lines joined by "\r\n" (without the zero byte the clipboard copy carries).
std::string BuildMarkerText(const std::string& iconFile, int iconIndex, const std::string& memo);

struct MarkerInfo {
  std::string iconFile;
  int iconIndex = 0;
  std::string memo;  // everything after the third line break, so it may span lines
};
// False when the text does not start with the marker's first line. Missing
// later lines leave their fields empty (index 0).
bool ParseMarkerText(const std::string& text, MarkerInfo& info);

// What one look at the clipboard found: the names and identifiers of its
// formats in clipboard order, and the marker's text (empty without a marker).
struct ClipboardFormats {
  CTextList names;
  CNumberList identifiers;
  std::string markerText;
};

// The formats of the clipboard that the caller holds open in a session, so
// that what it decides on them (privacy, the format list) and what it saves
// describe one state. Returns -1 when the clipboard holds no format,
// otherwise the number of formats.
int ReadOpenClipboardFormats(ClipboardPort& clipboard, ClipboardFormats& formats);

// Names (and identifiers, when asked) of all formats in clipboard order, and
// the marker's text (empty when there is none) when asked. Returns -1 when the
// clipboard holds no format, -2 when it cannot be opened, otherwise the number
// of formats other than "TEXT", "OEMTEXT" and "UNICODETEXT".
int CollectClipboardFormats(ClipboardPort& clipboard, CTextList& names, CNumberList* identifiers = nullptr,
                            std::string* markerText = nullptr);

// The names sorted (case observed), for the format list of a state. Returns
// -1, -2, or the number of formats other than "TEXT", "OEMTEXT",
// "UNICODETEXT" and "LOCALE".
int CollectSortedFormatNames(ClipboardPort& clipboard, CTextList& names, std::string* markerText = nullptr);

// Writes the live clipboard (all formats but the marker) into a new file.
// Formats whose bytes only wrap a handle of the program that made them
// (bitmap, palette and metafile pictures) are recorded without bytes.
// Returns -1 when the clipboard is empty, -2 when it cannot be opened, -3 when
// the file cannot be created or written in full (a partial file is removed),
// otherwise the number of formats that were on the clipboard, marker included.
int WriteClipboardFile(ClipboardPort& clipboard, FileSystem& files, const std::string& path,
                       ClipboardPort::Window owner, const std::string& memo);

// The same for a clipboard the caller holds open, with the formats it read in
// that session (ReadOpenClipboardFormats). Returns -3 or the number of formats.
int WriteOpenClipboardFile(ClipboardPort& clipboard, FileSystem& files, const std::string& path,
                           const ClipboardFormats& formats, const std::string& memo);

// Reads the memo and, when names is given, the record names in file order
// (and with sizes, each record's data length). Returns -1 when the file does
// not exist, -2 when it cannot be opened or read, -3 when it is not a sound
// clipboard file, 0 when no names list was passed, otherwise N. On failure the
// outputs are left empty.
int ReadClipboardFileInfo(FileSystem& files, const std::string& path, std::string& memo, CTextList* names = nullptr,
                          CNumberList* sizes = nullptr);

// Replaces the memo: the records and the new memo are written to a file
// beside it, which then takes the old one's place, so a failure leaves the
// file as it was. Returns -1 when the file does not exist, -2 when it cannot
// be opened or read, -3 when it is not a sound clipboard file, -4 when the new
// file cannot be written in full or put in place, 0 on success.
int SetClipboardFileMemo(FileSystem& files, const std::string& path, const std::string& memo);

// Empties the clipboard and puts back the records whose mask character is '0'
// (a missing character counts as not '0'), then the marker when a marker text
// is given. The clipboard is opened for owner, one of the program's own
// windows: emptied without a window it would have no owner, and Windows then
// refuses every format set on it. Records without bytes are not placed, nor
// metafile pictures, whose bytes hold a handle that died with the capture
// (files written before such records were kept empty still carry them).
// Returns -1 when the file cannot be opened, -2 when it is not a sound
// clipboard file (the clipboard is then left untouched), -3 when the clipboard
// cannot be opened, -4 when memory for a record cannot be had, -5 when a
// record's data cannot be read, otherwise the number of formats placed,
// marker included. After -4 and -5 the records placed before stay and the
// marker is still added. Registered formats of more than kMaxRestoredNames
// names are left out.
int RestoreClipboardFile(ClipboardPort& clipboard, FileSystem& files, const std::string& path,
                         ClipboardPort::Window owner, const std::string& mask,
                         const std::optional<std::string>& markerText);

}  // namespace kelvarion
