#include "clip/history_file.h"

#include <algorithm>
#include <string_view>

#include "base/dbcs.h"
#include "base/file_utils.h"
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

// The cut never splits a double-byte character, so that the "..." after it
// does not fuse with half a character.
std::string FoldCut(std::string_view text, bool cut) {
  std::string row = FoldText(std::string(CutOnCharacter(text, kRowTextBytes)));
  if (cut) row += "...";
  return row;
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

std::string NewHistoryName(FileSystem& files, const std::string& historyDirectory, const ClockReading& now,
                           HistoryKind kind) {
  if (kind == HistoryKind::kNone) return std::string();
  std::time_t seconds = now.seconds;
  int milliseconds = std::clamp(now.milliseconds, 0, 999);
  milliseconds -= milliseconds % 10;
  for (int step = 0; step < kNameSteps; ++step) {
    const std::string stamp = MakeTimeStampName(seconds, milliseconds);
    if (!files.Exists(historyDirectory + stamp + ".*")) return stamp + HistoryEnding(kind);
    milliseconds += 10;
    if (milliseconds >= 1000) {
      milliseconds -= 1000;
      ++seconds;
    }
  }
  return std::string();
}

bool WriteHistoryFile(FileSystem& files, const std::string& historyDirectory, const std::string& name,
                      const std::function<bool(const std::string& path)>& write) {
  if (name.empty()) return false;
  CreateDirectoryPath(files, historyDirectory);
  const std::string temporary = historyDirectory + "~" + name + ".tmp";
  if (!write(temporary)) {
    files.Remove(temporary);
    return false;
  }
  if (!files.Rename(temporary, historyDirectory + name)) {
    files.Remove(temporary);
    return false;
  }
  return true;
}

bool WriteHistoryText(FileSystem& files, const std::string& historyDirectory, const std::string& name,
                      const std::string& text) {
  return WriteHistoryFile(files, historyDirectory, name,
                          [&](const std::string& path) { return WriteTextFile(files, path, text) == 0; });
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

std::string MakeRowText(const std::string& text) { return FoldCut(text, text.size() > kRowTextBytes); }

std::string MakePreviewText(FileSystem& fs, const std::string& path) {
  auto file = fs.Open(path, OpenMode::kRead);
  if (!file) return std::string();
  char buffer[kRowTextBytes];
  std::size_t got = file->Read(buffer, sizeof buffer);
  if (got == 0) return std::string();
  return FoldCut(std::string_view(buffer, got), got == kRowTextBytes);
}

}  // namespace kelvarion
