#include "clip/clipboard_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <set>
#include <vector>

#include "base/bytes.h"
#include "base/dbcs.h"
#include "base/file_utils.h"

namespace kelvarion {

namespace {

constexpr std::uint32_t kFormatMark = 0x0001;
constexpr std::uint32_t kMaxRecords = 0xFFFF;
// Name length, identifier and data length: the least a record can take.
constexpr std::uint64_t kRecordFixedBytes = 12;

constexpr std::string_view kPredefinedNames[] = {
    "",       "TEXT",    "BITMAP",      "METAFILEPICT", "SYLK",   "DIF",   "TIFF",
    "OEMTEXT", "DIB",    "PALETTE",     "PENDATA",      "RIFF",   "WAVE",  "UNICODETEXT",
    "ENHMETAFILE", "HDROP", "LOCALE",   "MAX",
};

bool IsPlainText(const std::string& name) { return name == "TEXT" || name == "OEMTEXT" || name == "UNICODETEXT"; }

// Formats whose bytes, though held in global memory, are only a wrapper
// around a handle: saved, they would hand other programs a dead or reused
// handle on restore. They are kept like the bitmap and palette handles, as a
// record without bytes. Predefined identifiers never change, so the stored
// identifier tells them in old files too.
// Metafile pictures (plain and for display) are a small header around an
// HMETAFILE that is valid only in the session that made it.
bool HoldsHandle(std::uint32_t id) { return id == kCfMetafilePict || id == kCfDspMetafilePict; }

// Cuts a name to what readers keep, never inside a double-byte character.
std::string LimitName(const std::string& name) { return std::string(CutOnCharacter(name, kMaxStoredNameBytes)); }

std::string FormatNameOf(ClipboardPort& clipboard, std::uint32_t id) {
  std::string_view fixed = PredefinedFormatName(id);
  if (!fixed.empty()) return std::string(fixed);
  // A format whose name the platform cannot tell is recorded without one; the
  // restore then leaves it out, as it cannot be registered again.
  std::string name;
  if (!clipboard.GetFormatName(id, name)) return std::string();
  return LimitName(name);
}

// Walks the formats of the open clipboard, at most `count` steps.
void EnumerateOpenClipboard(ClipboardPort& clipboard, int count, CTextList& names, CNumberList* identifiers,
                            std::string* markerText) {
  bool markerWanted = markerText != nullptr;
  std::uint32_t id = 0;
  for (int step = 0; step < count; ++step) {
    id = clipboard.EnumFormats(id);
    // Enumeration starts over from 0, so an early end must stop the walk.
    if (id == 0) break;
    std::string name = FormatNameOf(clipboard, id);
    if (markerWanted && name == kMarkerFormatName) {
      if (auto view = clipboard.GetData(id)) *markerText = ZeroTerminatedText(view->Data(), view->Size());
      markerWanted = false;
    }
    names.Add(name);
    if (identifiers) identifiers->Add(id);
  }
}

int CollectFormats(ClipboardPort& clipboard, CTextList& names, CNumberList* identifiers, std::string* markerText) {
  names.RemoveAll();
  if (identifiers) identifiers->RemoveAll();
  if (markerText) markerText->clear();
  ClipboardPort::Window owner = clipboard.GetOwner();
  if (clipboard.CountFormats() <= 0) return -1;
  ClipboardSession session(clipboard, owner);
  if (!session.IsOpen()) return -2;
  // Counted again once open: the clipboard may have changed in between.
  EnumerateOpenClipboard(clipboard, clipboard.CountFormats(), names, identifiers, markerText);
  return 0;
}

// --- reading files ------------------------------------------------------------

enum class Scan { kOk, kMalformed, kReadError };

// Sequential reads that never go past the real end of the file: a field that
// would is a malformed file, a short read inside it a read error.
class BoundedReader {
 public:
  explicit BoundedReader(File& file) : file_(file), size_(file.Size()) {}

  bool SizeKnown() const { return size_ >= 0; }
  std::uint64_t Remaining() const { return static_cast<std::uint64_t>(size_) - pos_; }
  std::uint64_t Position() const { return pos_; }

  Scan Read(void* buffer, std::uint64_t n) {
    if (n > Remaining()) return Scan::kMalformed;
    if (file_.Read(buffer, static_cast<std::size_t>(n)) != n) return Scan::kReadError;
    pos_ += n;
    return Scan::kOk;
  }
  Scan ReadU32(std::uint32_t& value) {
    std::uint8_t bytes[4];
    Scan s = Read(bytes, 4);
    if (s == Scan::kOk) value = LoadLe32(bytes);
    return s;
  }
  Scan Skip(std::uint64_t n) {
    if (n > Remaining()) return Scan::kMalformed;
    if (n == 0) return Scan::kOk;
    if (!file_.Seek(static_cast<std::int64_t>(pos_ + n))) return Scan::kReadError;
    pos_ += n;
    return Scan::kOk;
  }
  Scan SeekTo(std::uint64_t pos) {
    if (pos > static_cast<std::uint64_t>(size_)) return Scan::kMalformed;
    if (!file_.Seek(static_cast<std::int64_t>(pos))) return Scan::kReadError;
    pos_ = pos;
    return Scan::kOk;
  }

 private:
  File& file_;
  std::int64_t size_;
  std::uint64_t pos_ = 0;
};

struct StoredRecord {
  std::string name;  // at most kMaxStoredNameBytes
  std::uint32_t id = 0;
  std::uint32_t size = 0;
  std::uint64_t dataOffset = 0;
};

struct StoredFile {
  std::uint32_t memoOffset = 0;
  std::string memo;
  std::vector<StoredRecord> records;
};

#define KELVARION_SCAN(expr)                  \
  do {                                        \
    Scan scanned_ = (expr);                   \
    if (scanned_ != Scan::kOk) return scanned_; \
  } while (false)

// Reads the header, every record's fields (skipping the data) and the memo
// block, checking each length against the real size of the file before
// anything is reserved for it. All readers go through here, so a file is
// either sound for all of them or refused by all of them.
Scan ScanClipboardFile(File& file, bool wantMemoText, StoredFile& out) {
  BoundedReader reader(file);
  if (!reader.SizeKnown()) return Scan::kReadError;
  std::uint32_t header = 0;
  KELVARION_SCAN(reader.ReadU32(header));
  if ((header >> 16) != kFormatMark) return Scan::kMalformed;
  KELVARION_SCAN(reader.ReadU32(out.memoOffset));

  const std::uint32_t count = header & kMaxRecords;
  // The count is only a claim: a file too short to hold that many records is
  // refused before room for them is reserved.
  if (count * kRecordFixedBytes > reader.Remaining()) return Scan::kMalformed;
  out.records.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    StoredRecord record;
    std::uint32_t nameLength = 0;
    KELVARION_SCAN(reader.ReadU32(nameLength));
    if (nameLength > reader.Remaining()) return Scan::kMalformed;
    record.name.resize(std::min<std::size_t>(nameLength, kMaxStoredNameBytes));
    KELVARION_SCAN(reader.Read(record.name.data(), record.name.size()));
    // The rest of an over-long name is skipped so that the fields after it are
    // read from their own place.
    KELVARION_SCAN(reader.Skip(nameLength - record.name.size()));
    KELVARION_SCAN(reader.ReadU32(record.id));
    KELVARION_SCAN(reader.ReadU32(record.size));
    record.dataOffset = reader.Position();
    KELVARION_SCAN(reader.Skip(record.size));
    out.records.push_back(std::move(record));
  }
  // Records running into the memo block would be overwritten by a memo update.
  if (reader.Position() > out.memoOffset) return Scan::kMalformed;

  KELVARION_SCAN(reader.SeekTo(out.memoOffset));
  std::uint32_t memoLength = 0;
  KELVARION_SCAN(reader.ReadU32(memoLength));
  if (memoLength > reader.Remaining()) return Scan::kMalformed;
  if (wantMemoText && memoLength > 1) {
    std::string memo(memoLength - 1, '\0');
    KELVARION_SCAN(reader.Read(memo.data(), memo.size()));
    // The memo is a zero-terminated text; anything after an inner zero is not part of it.
    memo.resize(std::strlen(memo.c_str()));
    out.memo = std::move(memo);
  }
  return Scan::kOk;
}

#undef KELVARION_SCAN

// --- writing files ------------------------------------------------------------

// Remembers whether every write went through in full.
class CheckedWriter {
 public:
  explicit CheckedWriter(File& file) : file_(file) {}
  void Bytes(const void* data, std::size_t size) {
    if (ok_ && size > 0) ok_ = file_.Write(data, size) == size;
  }
  void U32(std::uint32_t value) {
    std::uint8_t bytes[4];
    StoreLe32(bytes, value);
    Bytes(bytes, 4);
  }
  void Fail() { ok_ = false; }
  bool Ok() const { return ok_; }

 private:
  File& file_;
  bool ok_ = true;
};

void WriteMemoBlock(CheckedWriter& writer, const std::string& memo) {
  if (memo.size() >= 0xFFFFFFFFu) {
    writer.Fail();
    return;
  }
  writer.U32(static_cast<std::uint32_t>(memo.size() + 1));
  writer.Bytes(memo.c_str(), memo.size() + 1);
}

bool WriteRecords(ClipboardPort& clipboard, File& file, const CTextList& names, const CNumberList& identifiers,
                  const std::string& memo) {
  std::uint32_t recordCount = 0;
  for (const std::string& name : names.Items()) {
    if (name != kMarkerFormatName) ++recordCount;
  }
  // The count has 16 bits; more records would spill into the format mark.
  if (recordCount > kMaxRecords) return false;

  CheckedWriter writer(file);
  writer.U32((kFormatMark << 16) | recordCount);
  writer.U32(8);
  std::uint64_t offset = 8;
  for (int i = 0; i < names.GetSize() && writer.Ok(); ++i) {
    const std::string& name = names.Items()[static_cast<std::size_t>(i)];
    if (name == kMarkerFormatName) continue;
    const std::uint32_t id = identifiers.Get(i);
    writer.U32(static_cast<std::uint32_t>(name.size()));
    writer.Bytes(name.data(), name.size());
    writer.U32(id);
    auto view = HoldsHandle(id) ? nullptr : clipboard.GetData(id);
    const std::uint64_t size = view ? view->Size() : 0;
    if (size > 0xFFFFFFFFu) return false;
    writer.U32(static_cast<std::uint32_t>(size));
    if (size > 0) writer.Bytes(view->Data(), static_cast<std::size_t>(size));
    offset += kRecordFixedBytes + name.size() + size;
  }
  // The memo offset is 32 bits as well; a larger state cannot be described.
  if (offset > 0xFFFFFFFFu) return false;
  WriteMemoBlock(writer, memo);
  if (writer.Ok() && !file.Seek(4)) return false;
  writer.U32(static_cast<std::uint32_t>(offset));
  return writer.Ok();
}

bool PlaceMarker(ClipboardPort& clipboard, const std::string& markerText) {
  auto block = clipboard.Allocate(markerText.size() + 1);
  if (!block) return false;
  std::memcpy(block->Data(), markerText.c_str(), markerText.size() + 1);
  std::uint32_t id = clipboard.RegisterFormat(kMarkerFormatName);
  if (id == 0) return false;
  return clipboard.SetData(id, std::move(block));
}

}  // namespace

std::string_view PredefinedFormatName(std::uint32_t id) {
  if (id == 0 || id > kCfMaxPredefined) return std::string_view();
  return kPredefinedNames[id];
}

std::string BuildMarkerText(const std::string& iconFile, int iconIndex, const std::string& memo) {
  return std::string(kMarkerFirstLine) + "\r\n" + iconFile + "\r\n" + std::to_string(iconIndex) + "\r\n" + memo;
}

bool ParseMarkerText(const std::string& text, MarkerInfo& info) {
  info = MarkerInfo();
  std::string_view rest = text;
  // Takes the next line off rest; false when no line break followed it.
  auto nextLine = [&rest](std::string_view& line) {
    std::size_t end = FindText(rest, "\r\n");
    if (end == std::string_view::npos) {
      line = rest;
      rest = std::string_view();
      return false;
    }
    line = rest.substr(0, end);
    rest = rest.substr(end + 2);
    return true;
  };
  std::string_view first, iconFile, iconIndex;
  bool more = nextLine(first);
  if (first != kMarkerFirstLine) return false;
  if (more) more = nextLine(iconFile);
  if (more) more = nextLine(iconIndex);
  info.iconFile = std::string(iconFile);
  int index = 0;
  if (std::from_chars(iconIndex.data(), iconIndex.data() + iconIndex.size(), index).ec == std::errc()) {
    info.iconIndex = index;
  }
  // The memo is the rest, line breaks and all.
  if (more) info.memo = std::string(rest);
  return true;
}

int ReadOpenClipboardFormats(ClipboardPort& clipboard, ClipboardFormats& formats) {
  formats.names.RemoveAll();
  formats.identifiers.RemoveAll();
  formats.markerText.clear();
  const int count = clipboard.CountFormats();
  if (count <= 0) return -1;
  EnumerateOpenClipboard(clipboard, count, formats.names, &formats.identifiers, &formats.markerText);
  return formats.names.GetSize();
}

int CollectClipboardFormats(ClipboardPort& clipboard, CTextList& names, CNumberList* identifiers,
                            std::string* markerText) {
  int result = CollectFormats(clipboard, names, identifiers, markerText);
  if (result < 0) return result;
  int count = 0;
  for (const std::string& name : names.Items()) {
    if (!IsPlainText(name)) ++count;
  }
  return count;
}

int CollectSortedFormatNames(ClipboardPort& clipboard, CTextList& names, std::string* markerText) {
  int result = CollectFormats(clipboard, names, nullptr, markerText);
  if (result < 0) return result;
  names.Sort(false);
  int count = 0;
  for (const std::string& name : names.Items()) {
    if (!IsPlainText(name) && name != "LOCALE") ++count;
  }
  return count;
}

int WriteClipboardFile(ClipboardPort& clipboard, FileSystem& files, const std::string& path,
                       ClipboardPort::Window owner, const std::string& memo) {
  if (clipboard.CountFormats() <= 0) return -1;
  // One session for the names and the bytes, so that both describe the same state.
  ClipboardSession session(clipboard, owner);
  if (!session.IsOpen()) return -2;
  ClipboardFormats formats;
  if (ReadOpenClipboardFormats(clipboard, formats) < 0) return -1;
  return WriteOpenClipboardFile(clipboard, files, path, formats, memo);
}

int WriteOpenClipboardFile(ClipboardPort& clipboard, FileSystem& files, const std::string& path,
                           const ClipboardFormats& formats, const std::string& memo) {
  auto file = files.Open(path, OpenMode::kCreate);
  if (!file) return -3;
  const bool written = WriteRecords(clipboard, *file, formats.names, formats.identifiers, memo);
  file.reset();
  if (!written) {
    // A cut-off file would be refused by every reader; leave none behind.
    files.Remove(path);
    return -3;
  }
  return formats.names.GetSize();
}

int ReadClipboardFileInfo(FileSystem& files, const std::string& path, std::string& memo, CTextList* names,
                          CNumberList* sizes) {
  memo.clear();
  if (names) names->RemoveAll();
  if (sizes) sizes->RemoveAll();
  if (!files.Exists(path)) return -1;
  auto file = files.Open(path, OpenMode::kRead);
  if (!file) return -2;
  StoredFile stored;
  switch (ScanClipboardFile(*file, true, stored)) {
    case Scan::kOk: break;
    case Scan::kMalformed: return -3;
    case Scan::kReadError: return -2;
  }
  memo = std::move(stored.memo);
  if (!names) return 0;
  for (const StoredRecord& record : stored.records) {
    names->Add(record.name);
    if (sizes) sizes->Add(record.size);
  }
  return static_cast<int>(stored.records.size());
}

int SetClipboardFileMemo(FileSystem& files, const std::string& path, const std::string& memo) {
  if (!files.Exists(path)) return -1;
  auto file = files.Open(path, OpenMode::kRead);
  if (!file) return -2;
  StoredFile stored;
  switch (ScanClipboardFile(*file, false, stored)) {
    case Scan::kOk: break;
    case Scan::kMalformed: return -3;
    case Scan::kReadError: return -2;
  }
  if (!file->Seek(0)) return -2;
  // The new file is written beside the old one and renamed over it: a write
  // that fails half-way must not leave a memo length that no reader accepts,
  // which would lose every format of the file. The records are copied as they
  // are, so their offsets and the memo offset stay right.
  const int replaced = ReplaceFileContents(files, path, [&](File& target) {
    std::vector<char> block(1 << 16);
    std::uint64_t left = stored.memoOffset;
    while (left > 0) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
      if (file->Read(block.data(), n) != n || target.Write(block.data(), n) != n) return false;
      left -= n;
    }
    file.reset();  // the old file must be closed before the new one can take its place
    CheckedWriter writer(target);
    WriteMemoBlock(writer, memo);
    return writer.Ok();
  });
  return replaced == 0 ? 0 : -4;
}

int RestoreClipboardFile(ClipboardPort& clipboard, FileSystem& files, const std::string& path,
                         ClipboardPort::Window owner, const std::string& mask,
                         const std::optional<std::string>& markerText) {
  auto file = files.Open(path, OpenMode::kRead);
  if (!file) return -1;
  // The whole file is checked before the clipboard is touched: a malformed file
  // leaves the user's clipboard as it was.
  StoredFile stored;
  switch (ScanClipboardFile(*file, false, stored)) {
    case Scan::kOk: break;
    case Scan::kMalformed: return -2;
    case Scan::kReadError: return -5;
  }

  // Emptied in a session opened for our window, the clipboard is ours;
  // opened without one it would be left ownerless and refuse every format.
  ClipboardSession session(clipboard, owner);
  if (!session.IsOpen()) return -3;
  clipboard.Empty();

  int placed = 0;
  int result = 0;
  std::set<std::string> registered;
  for (std::size_t i = 0; i < stored.records.size(); ++i) {
    const StoredRecord& record = stored.records[i];
    if (markerText && record.name == kMarkerFormatName) continue;
    if (i >= mask.size() || mask[i] != '0') continue;
    // No bytes, no memory object: handle formats (bitmap, palette, enhanced
    // metafile) are stored empty and cannot be put back. A metafile picture
    // from an older file has bytes, but its handle is long gone.
    if (record.size == 0 || HoldsHandle(record.id)) continue;
    // Every name registered takes one of the session's format atoms for good,
    // shared by all programs; a file claiming thousands of names must not use
    // them up, so only the first names get theirs.
    const bool registers = record.id > kCfMaxPredefined;
    if (registers && registered.size() >= kMaxRestoredNames && registered.count(record.name) == 0) continue;
    auto block = clipboard.Allocate(record.size);
    if (!block) {
      result = -4;
      break;
    }
    if (!file->Seek(static_cast<std::int64_t>(record.dataOffset)) ||
        file->Read(block->Data(), record.size) != record.size) {
      result = -5;
      break;
    }
    // Registered identifiers change from one start to the next; the name is
    // what identifies the format.
    std::uint32_t id = record.id;
    if (registers) {
      id = clipboard.RegisterFormat(record.name);
      if (id == 0) continue;
      registered.insert(record.name);
    }
    if (clipboard.SetData(id, std::move(block))) ++placed;
  }

  if (markerText && PlaceMarker(clipboard, *markerText)) ++placed;
  session.Close();
  return result < 0 ? result : placed;
}

}  // namespace kelvarion
