#include "clip/capture.h"

#include <climits>
#include <cstdint>
#include <ctime>
#include <functional>
#include <vector>

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/dbcs.h"
#include "base/file_utils.h"
#include "base/history_text.h"
#include "base/strings.h"
#include "clip/clipboard_file.h"
#include "clip/format_list.h"
#include "clip/history_file.h"

namespace kelvarion {

namespace {

// The format list of a clipboard that holds plain text and nothing else.
constexpr char kPlainTextFormatList[] = "LOCALE,OEMTEXT,TEXT,UNICODETEXT";

// Formats by which other programs ask clipboard monitors to keep away.
constexpr char kExcludeFormatName[] = "ExcludeClipboardContentFromMonitorProcessing";
constexpr char kViewerIgnoreFormatName[] = "Clipboard Viewer Ignore";
constexpr char kHistoryAllowedFormatName[] = "CanIncludeInClipboardHistory";

// Internal result of reading the open clipboard when it is marked private.
constexpr int kMarkedPrivate = -100;

int LengthOf(const std::string& text) {
  return text.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(text.size());
}

// Wide text first: it is there whoever set the clipboard, it holds every
// character, and on a Chinese Windows a text code page 936 holds converts to
// the very bytes TEXT holds.
bool ReadOpenClipboardText(ClipboardPort& clipboard, std::string& text) {
  if (auto view = clipboard.GetData(kCfUnicodeText)) {
    text = MakeHistoryText(ZeroTerminatedWideText(view->Data(), view->Size()));
    return true;
  }
  for (std::uint32_t id : {kCfOemText, kCfText}) {
    if (auto view = clipboard.GetData(id)) {
      text = MakeHistoryTextFrom936(ZeroTerminatedText(view->Data(), view->Size()));
      return true;
    }
  }
  return false;
}

// The paths of a DROPFILES block, one a line, as a kept history text: a
// 20-byte header (offset of the list, drop point, non-client flag, wide
// flag), then zero-terminated paths ending in an empty one. The bytes come
// from any program, so every offset is checked and a path not terminated
// within the block is dropped. Returns the number of paths.
int ParseDropFiles(const std::uint8_t* data, std::size_t size, std::string& text) {
  constexpr std::size_t kHeaderBytes = 20;
  if (!data || size < kHeaderBytes) return 0;
  const std::size_t offset = LoadLe32(data);
  const bool wide = LoadLe32(data + 16) != 0;
  if (offset < kHeaderBytes || offset > size) return 0;
  int count = 0;
  if (wide) {
    // Wide names keep every character, as wide clipboard text does.
    std::u16string joined, path;
    for (std::size_t i = offset; i + 1 < size; i += 2) {
      const char16_t unit = LoadLe16(data + i);
      if (unit != 0) {
        path.push_back(unit);
        continue;
      }
      if (path.empty()) break;
      if (count++ > 0) joined += u"\r\n";
      joined += path;
      path.clear();
    }
    if (count > 0) text = MakeHistoryText(joined);
  } else {
    std::string joined, path;
    for (std::size_t i = offset; i < size; ++i) {
      char c = static_cast<char>(data[i]);
      if (c != '\0') {
        path.push_back(c);
        continue;
      }
      if (path.empty()) break;
      if (count++ > 0) joined += "\r\n";
      joined += path;
      path.clear();
    }
    if (count > 0) text = MakeHistoryTextFrom936(std::move(joined));
  }
  return count;
}

// The file list of the open clipboard, one path a line: its length, -3 when
// there is no file list, -1 when it lists no file.
int ReadOpenClipboardFiles(ClipboardPort& clipboard, std::string& text) {
  auto view = clipboard.GetData(kCfHdrop);
  if (!view) return -3;
  std::string joined;
  if (ParseDropFiles(view->Data(), view->Size(), joined) == 0) return -1;
  text = std::move(joined);
  return LengthOf(text);
}

bool IsOpenClipboardPrivate(ClipboardPort& clipboard) {
  for (const char* name : {kExcludeFormatName, kViewerIgnoreFormatName}) {
    std::uint32_t id = clipboard.RegisterFormat(name);
    if (id != 0 && clipboard.IsFormatAvailable(id)) return true;
  }
  std::uint32_t allowed = clipboard.RegisterFormat(kHistoryAllowedFormatName);
  if (allowed == 0) return false;
  auto view = clipboard.GetData(allowed);
  return view && view->Size() >= 4 && LoadLe32(view->Data()) == 0;
}

// The text or file list of the open clipboard, with the results of
// GetClipboardTextOrFiles.
int ReadOpenClipboardTextOrFiles(ClipboardPort& clipboard, std::string& text, bool wantFiles) {
  text.clear();
  if (ReadOpenClipboardText(clipboard, text)) return LengthOf(text);
  if (!wantFiles) return -4;
  return ReadOpenClipboardFiles(clipboard, text);
}

// GetClipboardTextOrFiles, with kMarkedPrivate (and no text read) for content
// that must not be recorded when privacy is checked: in the same session as
// the text is read, so that the text checked is the text kept.
int ReadClipboard(ClipboardPort& clipboard, std::string& text, bool wantFiles, bool checkPrivacy) {
  text.clear();
  if (clipboard.CountFormats() <= 0) return -1;
  ClipboardSession session(clipboard, clipboard.GetOwner());
  if (!session.IsOpen()) return -2;
  if (checkPrivacy && IsOpenClipboardPrivate(clipboard)) return kMarkedPrivate;
  return ReadOpenClipboardTextOrFiles(clipboard, text, wantFiles);
}

std::string FormatMemoTime(std::time_t seconds) {
  // The program runs on one thread, so localtime's shared result is safe here.
  const std::tm* local = std::localtime(&seconds);
  if (!local) return std::string();
  char buffer[32];
  std::size_t n = std::strftime(buffer, sizeof buffer, "%y-%m-%d %H:%M:%S", local);
  return std::string(buffer, n);
}

// Writes a new history file of the kind and returns its name; empty when it
// could not be written.
std::string WriteNew(CaptureContext& context, const ClockReading& now, HistoryKind kind,
                     const std::function<bool(const std::string& path)>& write) {
  return WriteNewHistoryFile(context.files, context.historyDirectory, context.stamps, now, kind, write);
}

std::string WriteNewText(CaptureContext& context, const std::string& text) {
  return WriteNew(context, context.clock.Now(), HistoryKind::kText,
                  [&](const std::string& path) { return WriteTextFile(context.files, path, text) == 0; });
}

}  // namespace

std::string SaveHistoryText(CaptureContext& context, const std::string& text) { return WriteNewText(context, text); }

namespace {

// Steps 3 to 6 of the automatic capture, on what was read into the current
// text: drop repeats, save, show.
CaptureResult KeepCapturedText(CaptureContext& context, CaptureState& state, int read) {
  if (read == kMarkedPrivate) return CaptureResult::kPrivate;
  if (read <= 0 || state.currentText.empty()) return CaptureResult::kNothing;
  if (state.currentText == state.lastText) return CaptureResult::kDuplicate;
  const std::string name = WriteNewText(context, state.currentText);
  if (name.empty()) return CaptureResult::kWriteFailed;
  state.lastText = state.currentText;
  context.sink.AddHistoryRow(MakeRowText(state.currentText), name, std::string(), 0, 0);
  return CaptureResult::kSaved;
}

// Steps 2 to 6 of the automatic capture: read, drop repeats, save, show.
CaptureResult CaptureTextNow(CaptureContext& context, CaptureState& state) {
  const int read = ReadClipboard(context.clipboard, state.currentText, state.listenToFileNames, true);
  return KeepCapturedText(context, state, read);
}

// A marker of the program's own: "Kelvarion-1" and at least three more lines
// (icon file, icon index, memo; the memo may be empty or span lines).
bool ReadWholeMarker(const std::string& text, MarkerInfo& info) {
  int lineBreaks = 0;
  for (std::size_t at = FindText(text, "\r\n"); at != std::string::npos && lineBreaks < 3;
       at = FindText(text, "\r\n", at + 2)) {
    ++lineBreaks;
  }
  return lineBreaks == 3 && ParseMarkerText(text, info);
}

}  // namespace

int GetClipboardTextOrFiles(ClipboardPort& clipboard, std::string& text, bool wantFiles) {
  return ReadClipboard(clipboard, text, wantFiles, false);
}

int CheckClipboardPrivacy(ClipboardPort& clipboard) {
  ClipboardSession session(clipboard, clipboard.GetOwner());
  if (!session.IsOpen()) return -2;
  return IsOpenClipboardPrivate(clipboard) ? 1 : 0;
}

CaptureResult CaptureClipboardText(CaptureContext& context, CaptureState& state) {
  if (state.skipNextChange) {
    state.skipNextChange = false;
    return CaptureResult::kSkipped;
  }
  return CaptureTextNow(context, state);
}

CaptureResult CaptureAllFormats(CaptureContext& context, CaptureState& state, CFormatListTable& formats,
                                const ClipboardSource& source) {
  ClipboardPort& clipboard = context.clipboard;
  if (clipboard.CountFormats() <= 0) return CaptureResult::kEmpty;
  // One session from the first look at the formats to the last byte saved:
  // the state checked for privacy is the state written. Between two sessions
  // a password manager could put a secret there that no check has seen.
  ClipboardSession session(clipboard, context.window);
  if (!session.IsOpen()) return CaptureResult::kEmpty;
  ClipboardFormats live;
  if (ReadOpenClipboardFormats(clipboard, live) < 0) return CaptureResult::kEmpty;
  if (live.names.IsEmpty()) return CaptureResult::kNothing;
  if (IsOpenClipboardPrivate(clipboard)) return CaptureResult::kPrivate;
  const std::string& markerText = live.markerText;

  CTextList names = live.names;
  names.Sort(false);
  const std::string formatList = MakeFormatList(names);
  // Plain text is kept as text; this is the user's own request, so a pending
  // skip of the next clipboard change is left for that change.
  if (formatList == kPlainTextFormatList) {
    const int read = ReadOpenClipboardTextOrFiles(clipboard, state.currentText, state.listenToFileNames);
    session.Close();
    return KeepCapturedText(context, state, read);
  }

  std::string iconFile = source.programPath;
  std::string memo = source.windowTitle;
  int iconIndex = 0;
  int position = formats.FindFormatList(formatList, iconFile, iconIndex);
  if (position < 0) {
    // A state the program put back carries its row's icon and memo in the
    // marker; anything else takes the first icon of the source program.
    MarkerInfo marker;
    if (!markerText.empty() && ReadWholeMarker(markerText, marker)) {
      // Any program can set a marker: its icon file is opened (now and at
      // every start) only when it is a file on this computer.
      if (IsLocalIconFile(context.files, marker.iconFile)) {
        iconFile = marker.iconFile;
        iconIndex = marker.iconIndex;
      } else {
        iconFile = formats.GetDefaultIconFile();
        iconIndex = kDefaultIconIndex;
      }
      memo = marker.memo;
    }
    position = formats.AddFormatList(formatList, iconFile, iconIndex);
  }

  const ClockReading now = context.clock.Now();
  if (memo.empty()) memo = FormatMemoTime(now.seconds);
  const std::string name = WriteNew(context, now, HistoryKind::kClipboardFile, [&](const std::string& path) {
    return WriteOpenClipboardFile(clipboard, context.files, path, live, memo) >= 0;
  });
  session.Close();
  if (name.empty()) return CaptureResult::kWriteFailed;
  context.sink.AddHistoryRow(memo, name, iconFile, iconIndex, position);
  return CaptureResult::kSaved;
}

CaptureResult CaptureClipboardFileNames(CaptureContext& context) {
  std::string text;
  {
    ClipboardSession session(context.clipboard, context.window);
    if (!session.IsOpen()) return CaptureResult::kNothing;
    if (IsOpenClipboardPrivate(context.clipboard)) return CaptureResult::kPrivate;
    if (ReadOpenClipboardFiles(context.clipboard, text) <= 0) return CaptureResult::kNothing;
  }
  const std::string name = WriteNewText(context, text);
  if (name.empty()) return CaptureResult::kWriteFailed;
  context.sink.AddHistoryRow(MakeRowText(text), name, std::string(), 0, 0);
  return CaptureResult::kSaved;
}

}  // namespace kelvarion
