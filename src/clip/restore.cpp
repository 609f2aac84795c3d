#include "clip/restore.h"

#include <cstring>
#include <unordered_map>
#include <vector>

#include "base/codepage.h"
#include "base/dbcs.h"
#include "base/file_utils.h"
#include "base/history_text.h"
#include "base/ini.h"
#include "base/strings.h"
#include "clip/clipboard_file.h"
#include "clip/history_file.h"
#include "image/dib.h"
#include "image/image_convert.h"

namespace kelvarion {

namespace {

bool SetBytes(ClipboardPort& clipboard, std::uint32_t id, const void* data, std::size_t size) {
  std::unique_ptr<ClipDataBlock> block = clipboard.Allocate(size);
  if (!block) return false;
  std::memcpy(block->Data(), data, size);
  return clipboard.SetData(id, std::move(block));
}

}  // namespace

namespace {

// TEXT with its zero byte, then the wide form beside it.
int PutBothTexts(ClipboardPort& clipboard, ClipboardPort::Window owner, std::string_view text,
                 const std::u16string& wide) {
  ClipboardSession session(clipboard, owner);
  if (!session.IsOpen()) return -1;
  clipboard.Empty();
  std::unique_ptr<ClipDataBlock> block = clipboard.Allocate(text.size() + 1);
  if (!block) return -2;
  std::memcpy(block->Data(), text.data(), text.size());
  block->Data()[text.size()] = 0;
  if (!clipboard.SetData(kCfText, std::move(block))) return -2;
  SetBytes(clipboard, kCfUnicodeText, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
  return static_cast<int>(text.size());
}

}  // namespace

int PutTextOnClipboard(ClipboardPort& clipboard, ClipboardPort::Window owner, std::string_view text) {
  // The length is the result, and the wide form could not be made whole.
  if (text.size() > kMaxConvertibleLength) return -2;
  // The wide form is a courtesy: without it the system would make one from
  // the bytes through the code page of the keyboard layout, which garbles
  // Chinese under a Western layout.
  return PutBothTexts(clipboard, owner, text, Cp936ToUtf16(text));
}

int PutHistoryTextOnClipboard(ClipboardPort& clipboard, ClipboardPort::Window owner, std::string_view text) {
  if (text.size() > kMaxConvertibleLength) return -2;
  if (!IsUtf8HistoryText(text)) return PutTextOnClipboard(clipboard, owner, text);
  // Here the wide form is the text itself; TEXT gets what code page 936 can
  // give of it for the programs that read nothing else.
  const std::u16string wide = HistoryTextToUtf16(text);
  const int r = PutBothTexts(clipboard, owner, HistoryTextToCp936(text), wide);
  return r < 0 ? r : static_cast<int>(text.size());
}

int PutBmpFileOnClipboard(ClipboardPort& clipboard, FileSystem& files, const std::string& path,
                          ClipboardPort::Window owner) {
  if (!files.Exists(path) || files.IsDirectory(path)) return -1;
  std::unique_ptr<File> file = files.Open(path, OpenMode::kRead);
  if (!file) return -3;
  const std::int64_t size = file->Size();
  if (size <= static_cast<std::int64_t>(kFileHeaderSize)) return -2;
  std::uint8_t head[kFileHeaderSize + kInfoHeaderSize] = {};
  const std::size_t got = file->Read(head, sizeof head);
  if (got < 2 || head[0] != 'B' || head[1] != 'M') return -4;
  // Other programs take the bytes for a DIB, so they must be one: the header
  // is checked as the BMP reader checks it, what it describes must fit in the
  // file (and in the 2 GiB a DIB may hold), and nothing past it is placed.
  std::uint8_t header[kInfoHeaderSize];
  DibLayout layout;
  bool topDown = false;
  if (got < sizeof head ||
      !ReadBmpInfoHeader(head + kFileHeaderSize, kInfoHeaderSize, static_cast<std::uint64_t>(size) - kFileHeaderSize,
                         header, layout, topDown))
    return -4;
  // The bitmap is read whole before the clipboard is touched, so a file that
  // cannot be read leaves the clipboard as it was.
  std::vector<std::uint8_t> bitmap;
  const auto length = static_cast<std::size_t>(layout.wholeSize);
  try {
    bitmap.resize(length);
  } catch (const std::bad_alloc&) {
    return -6;
  }
  std::memcpy(bitmap.data(), header, kInfoHeaderSize);
  if (file->Read(bitmap.data() + kInfoHeaderSize, length - kInfoHeaderSize) != length - kInfoHeaderSize) return -7;
  file.reset();
  if (topDown) ReverseRows(bitmap.data() + layout.headerSize + layout.colorTableSize, layout.rowSize, layout.height);
  ClipboardSession session(clipboard, owner);
  if (!session.IsOpen()) return -5;
  clipboard.Empty();
  if (!SetBytes(clipboard, kCfDib, bitmap.data(), length)) return -6;
  return static_cast<int>(length);
}

std::string BuildNoCopyMask(FileSystem& files, const std::string& settingsFile, const CTextList& names) {
  // The file is read once and written at most once, whatever the number of
  // records: a clipboard file may claim 65,535 of them.
  IniEntries stored;
  ReadIniSectionValues(files, settingsFile, "NoCopy", stored);
  std::unordered_map<std::string, std::string> values;  // upper-cased key -> value of its first line
  for (auto& [key, value] : stored) values.emplace(ToUpper(key), std::move(value));

  std::string mask;
  mask.reserve(static_cast<std::size_t>(names.GetSize()));
  IniEntries defaults;
  for (const std::string& name : names.Items()) {
    const std::string key = ToUpper(name);
    if (auto it = values.find(Trim(key, kBlanks)); it != values.end()) {
      mask += it->second.empty() ? '0' : it->second[0];
      continue;
    }
    const bool isPrivate = FindText(key, "PRIVATE") != std::string::npos;
    mask += isPrivate ? '1' : '0';
    // A name holding a zero byte would be cut there and name another format.
    if (isPrivate && key.find('\0') == std::string::npos) {
      values.emplace(Trim(key, kBlanks), "1");
      defaults.emplace_back(key, "1");
    }
  }
  if (!defaults.empty()) WriteIniStrings(files, settingsFile, "NoCopy", defaults);
  return mask;
}

RestoreResult RestoreHistoryFile(RestoreContext& context, const RestoreRow& row, CaptureState& state) {
  const std::string path = context.historyDirectory + row.fileName;
  const HistoryKind kind = GetHistoryKind(row.fileName);
  switch (kind) {
    case HistoryKind::kNone:
      return RestoreResult::kNothing;
    case HistoryKind::kText: {
      std::string text;
      if (ReadTextFile(context.files, path, text) < 0) return RestoreResult::kNothing;
      state.lastText = ComparableHistoryText(text);
      return PutHistoryTextOnClipboard(context.clipboard, context.window, text) >= 0 ? RestoreResult::kPlaced
                                                                               : RestoreResult::kFailed;
    }
    case HistoryKind::kBmp: {
      const int r = PutBmpFileOnClipboard(context.clipboard, context.files, path, context.window);
      return r >= 0 ? RestoreResult::kPlaced : r >= -4 ? RestoreResult::kNothing : RestoreResult::kFailed;
    }
    case HistoryKind::kGif:
    case HistoryKind::kJpg: {
      if (!context.files.Exists(path)) return RestoreResult::kNothing;
      const std::string temporary = path + ".bmp";
      const int converted = kind == HistoryKind::kGif
                                ? ConvertGifToBmp(context.files, path, temporary)
                                : ConvertJpegToBmp(context.files, path, temporary, context.notice);
      int r = -1;
      if (converted == 0) r = PutBmpFileOnClipboard(context.clipboard, context.files, temporary, context.window);
      context.files.Remove(temporary);
      return r >= 0 ? RestoreResult::kPlaced : r >= -4 ? RestoreResult::kNothing : RestoreResult::kFailed;
    }
    case HistoryKind::kClipboardFile: {
      if (!context.files.Exists(path)) return RestoreResult::kNothing;
      std::string memo;
      CTextList names;
      if (ReadClipboardFileInfo(context.files, path, memo, &names) < 0) return RestoreResult::kNothing;
      const std::string mask = BuildNoCopyMask(context.files, context.settingsFile, names);
      state.skipNextChange = true;
      const int r = RestoreClipboardFile(context.clipboard, context.files, path, context.window, mask,
                                         BuildMarkerText(row.iconFile, row.iconIndex, row.memo));
      if (r >= 0) return RestoreResult::kPlaced;
      // The clipboard did not change: the next change is the user's and must
      // not be skipped.
      if (r >= -3) state.skipNextChange = false;
      return r >= -2 ? RestoreResult::kNothing : RestoreResult::kFailed;
    }
  }
  return RestoreResult::kNothing;
}

}  // namespace kelvarion
