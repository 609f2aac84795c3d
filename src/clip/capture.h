// Turning clipboard contents into history files: the automatic text capture
// on every clipboard change, the capture of all formats into a clipboard file,
// and the capture of the clipboard's file names. The list view owns the state
// and takes the new rows; everything else comes through the ports.
#pragma once

#include <string>

#include "clip/history_file.h"
#include "platform/clipboard_port.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace kelvarion {

class CFormatListTable;

// The list view's side: a new row at the top of the history list.
class HistorySink {
 public:
  virtual ~HistorySink() = default;
  // Returns the new row's index (0).
  virtual int AddHistoryRow(const std::string& text, const std::string& fileName, const std::string& iconFile,
                            int iconIndex, int type) = 0;
};

// What the view keeps between captures.
struct CaptureState {
  // Texts in their kept form (base/history_text.h); lastText as compared
  // (ComparableHistoryText), so that the same characters are the same bytes.
  std::string lastText;     // whole text of the newest text item; a repeat of it is not saved
  std::string currentText;  // the text the last capture read
  bool skipNextChange = false;     // set before the program changes the clipboard itself
  bool listenToFileNames = false;  // automatic capture also takes file lists
};

// The ports and places one capture works with.
struct CaptureContext {
  ClipboardPort& clipboard;
  FileSystem& files;
  Clock& clock;
  std::string historyDirectory;  // ends in "\"
  ClipboardPort::Window window;  // the view's window, for opening the clipboard
  HistorySink& sink;
  CHistoryStamps& stamps;        // the stamps of the history files the view knows of
};

// Where the content on the clipboard came from, as the main frame noted it.
struct ClipboardSource {
  std::string programPath;
  std::string windowTitle;
};

// Whoever notes at every clipboard change where the content came from.
class ClipboardOrigin {
 public:
  virtual ~ClipboardOrigin() = default;
  virtual ClipboardSource GetClipboardSource() const = 0;
};

enum class CaptureResult {
  kSaved,        // a history file was written and its row added
  kSkipped,      // the change was the program's own
  kNothing,      // nothing to save: no text, no file list, or no format names
  kDuplicate,    // the same text as the newest text item
  kEmpty,        // capture of all formats: the clipboard is empty or cannot be opened
  kPrivate,      // the content is marked as not to be recorded; nothing was written
  kWriteFailed,  // the history file could not be written; no row was added
};

// Shown by the view for kEmpty and kPrivate of CaptureAllFormats.
inline constexpr char kEmptyClipboardMessage[] = "当前粘贴板为空";
inline constexpr char kPrivateClipboardMessage[] = "粘贴板内容被标记为私密，未保存";

// The clipboard's text (wide text when offered, else OEMTEXT, else TEXT) or,
// when wanted, its file list, one full path a line, in the form it is kept
// in: code page 936 bytes when the code page holds it, else UTF-8 behind the
// mark (base/history_text.h). Returns the text's length, or -1 (clipboard empty, or a file list
// without entries), -2 (the clipboard cannot be opened), -3 (no text and no
// file list), -4 (no text, file lists not wanted).
int GetClipboardTextOrFiles(ClipboardPort& clipboard, std::string& text, bool wantFiles);

// Whether the clipboard carries a sign that its content must not be recorded
// (the formats password managers and the like put beside it): a format named
// "ExcludeClipboardContentFromMonitorProcessing" or "Clipboard Viewer
// Ignore", or "CanIncludeInClipboardHistory" holding a DWORD 0. Returns 1 when
// it does, 0 when not, -2 when the clipboard cannot be opened.
int CheckClipboardPrivacy(ClipboardPort& clipboard);

// Every clipboard change while listening: a new text (or file list, when
// listening to file names) becomes a ".spt" history file and a row.
CaptureResult CaptureClipboardText(CaptureContext& context, CaptureState& state);

// The user's request to keep the clipboard whole: a ".cbf" history file with
// every format, its icon from the format-icon table, from the program's own
// marker or from the source program, and its memo from the marker, the
// source window's title or the time. A clipboard of plain text only is saved
// as text instead.
CaptureResult CaptureAllFormats(CaptureContext& context, CaptureState& state, CFormatListTable& formats,
                                const ClipboardSource& source);

// The user's request to keep the names of the files on the clipboard as text.
// Neither compares with nor changes the last text.
CaptureResult CaptureClipboardFileNames(CaptureContext& context);

// Saves a text as a new ".spt" history file (files dropped on the list) and
// returns its name, or the empty text when it could not be written.
std::string SaveHistoryText(CaptureContext& context, const std::string& text);

}  // namespace kelvarion
