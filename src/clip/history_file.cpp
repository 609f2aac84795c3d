#include "clip/history_file.h"

#include <algorithm>
#include <string_view>

#include "base/dbcs.h"
#include "base/file_utils.h"
#include "base/history_text.h"
#include "base/strings.h"

namespace kelvarion {

namespace {

constexpr std::size_t kRowTextBytes = 255;

// A new item never takes a name already used; this many hundredths are tried.
constexpr int kNameSteps = 100;

struct KindEnding {
  HistoryKind kind;
  const char* ending;
};
// The 16 digits at the start of a history file name as a number.
bool ParseStamp(std::string_view name, std::uint64_t& stamp) {
  constexpr std::size_t kStampDigits = 16;
  if (name.size() < kStampDigits) return false;
  stamp = 0;
  for (char c : name.substr(0, kStampDigits)) {
    if (c < '0' || c > '9') return false;
    stamp = stamp * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

constexpr KindEnding kEndings[] = {
    {HistoryKind::kText, ".spt"}, {HistoryKind::kBmp, ".bmp"},           {HistoryKind::kGif, ".gif"},
    {HistoryKind::kJpg, ".jpg"},  {HistoryKind::kClipboardFile, ".cbf"},
};

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t found; (found = text.find(from, start)) != std::string::npos; start = found + from.size()) {
    out.append(text, start, found - start);
    out.append(to);
  }
  out.append(text, start, std::string::npos);
  text = std::move(out);
}

// The cut never splits a character, so that the "..." after it does not fuse
// with half a character. The row keeps the text's own form.
std::string FoldCut(std::string_view text) {
  bool cut = false;
  std::string row = FoldText(CutHistoryText(text, kRowTextBytes, &cut));
  if (cut) row += "...";
  return row;
}

// Where a history file is filled before it is renamed into place: a small
// folder of its own inside the history folder, so that making the temporary
// file never has to look through a folder of many thousand names (a file
// system that matches names without regard to case does that for every new
// name). Beside the history files when that folder cannot be made.
std::string TemporaryPath(FileSystem& files, const std::string& historyDirectory, const std::string& name) {
  const std::string folder = historyDirectory + kTemporaryFolder;
  const std::string file = "~" + name + ".tmp";
  return files.IsDirectory(folder) || files.MakeDirectory(folder) ? folder + "\\" + file : historyDirectory + file;
}

}  // namespace

HistoryKind GetHistoryKind(const std::string& fileName) {
  if (fileName.size() != kHistoryNameLength) return HistoryKind::kNone;
  const std::string_view ending = std::string_view(fileName).substr(kHistoryNameLength - 4);
  for (const KindEnding& k : kEndings) {
    if (ending == k.ending) return k.kind;
  }
  return HistoryKind::kNone;
}

const char* HistoryEnding(HistoryKind kind) {
  for (const KindEnding& k : kEndings) {
    if (k.kind == kind) return k.ending;
  }
  return "";
}

void CHistoryStamps::Add(std::string_view fileName) {
  std::uint64_t stamp = 0;
  if (!ParseStamp(fileName, stamp)) return;
  if (sorted_.empty() || sorted_.back() < stamp) {
    sorted_.push_back(stamp);
    return;
  }
  auto at = std::lower_bound(sorted_.begin(), sorted_.end(), stamp);
  if (at == sorted_.end() || *at != stamp) sorted_.insert(at, stamp);
}

bool CHistoryStamps::Has(std::string_view stamp) const {
  std::uint64_t value = 0;
  return ParseStamp(stamp, value) && std::binary_search(sorted_.begin(), sorted_.end(), value);
}

std::string NewHistoryName(const CHistoryStamps& stamps, const ClockReading& now, HistoryKind kind) {
  if (kind == HistoryKind::kNone) return std::string();
  std::time_t seconds = now.seconds;
  int milliseconds = std::clamp(now.milliseconds, 0, 999);
  milliseconds -= milliseconds % 10;
  for (int step = 0; step < kNameSteps; ++step) {
    const std::string stamp = MakeTimeStampName(seconds, milliseconds);
    if (!stamps.Has(stamp)) return stamp + HistoryEnding(kind);
    milliseconds += 10;
    if (milliseconds >= 1000) {
      milliseconds -= 1000;
      ++seconds;
    }
  }
  return std::string();
}

std::string WriteNewHistoryFile(FileSystem& files, const std::string& historyDirectory, CHistoryStamps& stamps,
                                const ClockReading& now, HistoryKind kind,
                                const std::function<bool(const std::string& path)>& write) {
  std::string name = NewHistoryName(stamps, now, kind);
  if (name.empty()) return std::string();
  CreateDirectoryPath(files, historyDirectory);
  const std::string temporary = TemporaryPath(files, historyDirectory, name);
  if (!write(temporary)) {
    files.Remove(temporary);
    return std::string();
  }
  for (int step = 0; step < kNameSteps && !name.empty(); ++step) {
    if (files.RenameNew(temporary, historyDirectory + name)) {
      stamps.Add(name);
      return name;
    }
    // Taken from outside since the list was read (the stamp is then known),
    // or the rename itself failed.
    if (!files.Exists(historyDirectory + name)) break;
    stamps.Add(name);
    name = NewHistoryName(stamps, now, kind);
  }
  files.Remove(temporary);
  return std::string();
}

std::string MakeCutOffStamp(const ClockReading& now, int autoLoadDays) {
  constexpr std::time_t kSecondsPerDay = 86400;
  return MakeTimeStampName(now.seconds - static_cast<std::time_t>(autoLoadDays) * kSecondsPerDay, now.milliseconds);
}

std::string FoldText(const std::string& text) {
  // Line ends, tabs and blanks lie below 0x40, so they are never trail bytes
  // and plain byte replacement is safe in double-byte text.
  std::string out = text;
  ReplaceAll(out, "\r\n", " ");
  ReplaceAll(out, "\t", " ");
  out.erase(std::unique(out.begin(), out.end(), [](char a, char b) { return a == ' ' && b == ' '; }), out.end());
  return out;
}

std::string MakeRowText(const std::string& text) { return FoldCut(text); }

std::string MakePreviewText(FileSystem& fs, const std::string& path) {
  auto file = fs.Open(path, OpenMode::kRead);
  if (!file) return std::string();
  // Enough for 255 columns of UTF-8 (four bytes a character at most) behind
  // the mark; a code page 936 text shows its first 255 bytes.
  constexpr std::size_t kHeadBytes = kUtf8Mark.size() + 4 * kRowTextBytes;
  std::string head(kHeadBytes, '\0');
  head.resize(file->Read(head.data(), head.size()));
  if (head.empty()) return std::string();
  // Whether the file is UTF-8 depends on every byte of it: the rest is
  // checked as it streams past, and only for files that start with the mark.
  bool utf8 = false;
  bool more = false;
  if (head.size() >= kUtf8Mark.size() && std::string_view(head).substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    Utf8Checker checker;
    checker.Feed(std::string_view(head).substr(kUtf8Mark.size()));
    std::string block(64 * 1024, '\0');
    for (std::size_t got; checker.Valid() && (got = file->Read(block.data(), block.size())) > 0;) {
      more = true;
      checker.Feed(std::string_view(block.data(), got));
    }
    utf8 = checker.Finish();
  }
  if (!utf8) {
    const std::string_view first = std::string_view(head).substr(0, kRowTextBytes);
    std::string row = FoldText(MakeHistoryTextFrom936(std::string(CutOnCharacter(first, kRowTextBytes))));
    if (first.size() == kRowTextBytes) row += "...";
    return row;
  }
  // The head may end inside a character: that one is left for the cut.
  std::size_t end = head.size();
  for (std::size_t back = 1; back <= 3 && end - back >= kUtf8Mark.size(); ++back) {
    const auto c = static_cast<unsigned char>(head[end - back]);
    if ((c & 0xC0) == 0x80) continue;
    const std::size_t length = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (length > back) {
      end -= back;
      more = true;
    }
    break;
  }
  bool cut = false;
  std::string row = FoldText(CutHistoryText(std::string_view(head).substr(0, end), kRowTextBytes, &cut));
  if (cut || more) row += "...";
  return row;
}

}  // namespace kelvarion
