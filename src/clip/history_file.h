// History files: one file per item in the history directory, named by a
// 16-digit time stamp and an ending that tells its kind ("2024010212304501.spt"),
// exactly 20 characters. Capture writes them, restore puts them back, the
// history rows show them; the rules of names and kinds live here only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/file_system.h"

namespace kelvarion {

enum class HistoryKind { kNone, kText, kBmp, kGif, kJpg, kClipboardFile };

inline constexpr std::size_t kHistoryNameLength = 20;
// The folder inside the history folder where new history files are filled
// before they are renamed into place; its name is no history file name.
inline constexpr char kTemporaryFolder[] = "~tmp";

// Exactly 20 characters ending in ".spt", ".bmp", ".gif", ".jpg" or ".cbf"
// (byte for byte: upper-case endings do not count); kNone otherwise.
HistoryKind GetHistoryKind(const std::string& fileName);
// The ending of a kind (".spt" ...); empty for kNone.
const char* HistoryEnding(HistoryKind kind);

// The stamps of the history files the program knows of: those it found when
// it listed the history directory and those it wrote since. A new file takes
// a stamp none of them has, found in memory: asking the folder would make
// every capture scan it, however large the history.
class CHistoryStamps {
 public:
  // The stamp of a history file name (its 16 digits); other names are left out.
  void Add(std::string_view fileName);
  bool Has(std::string_view stamp) const;
  void Reserve(std::size_t n) { sorted_.reserve(n); }

 private:
  // Ascending; new stamps are mostly the largest, so adding is mostly cheap.
  std::vector<std::uint64_t> sorted_;
};

// A name for a new history file of that kind stamped at the given moment.
// Two items within one hundredth of a second would share a stamp, so a stamp
// that a known history file already has is stepped on by a hundredth until
// one is free; empty when none is (or for kNone).
std::string NewHistoryName(const CHistoryStamps& stamps, const ClockReading& now, HistoryKind kind);

// Writes a new history file of that kind, stamped at now or the next free
// hundredth, so that nobody ever sees it half-written: write fills a
// temporary file in kTemporaryFolder (beside it when that folder cannot be
// made), which is then renamed into place. The rename never replaces a
// file: a history file that appeared from outside under that name meanwhile
// stays as it is, and the next free stamp is taken.
// Returns the name (now known to stamps), or empty when nothing was written
// (and nothing is left behind).
std::string WriteNewHistoryFile(FileSystem& files, const std::string& historyDirectory, CHistoryStamps& stamps,
                                const ClockReading& now, HistoryKind kind,
                                const std::function<bool(const std::string& path)>& write);

// The oldest stamp still shown at start-up: now minus autoLoadDays days, as a
// 16-digit time stamp (with now's milliseconds). Older files go to the archive.
std::string MakeCutOffStamp(const ClockReading& now, int autoLoadDays);

// The one-line form of a history text, in the text's own kept form (code
// page 936 bytes, or UTF-8 behind the mark): at most 255 columns (a code page
// 936 byte, or an ASCII character one column and any other two), "\r\n" and
// tabs become blanks, runs of blanks fold to one, "..." when cut.
// MakePreviewText reads the start of a file ("..." when it read 255 bytes of
// a code page 936 text, or a UTF-8 text goes on past the cut); FoldText folds
// a whole text without the cut (a memo after editing).
std::string MakePreviewText(FileSystem& fs, const std::string& path);
std::string MakeRowText(const std::string& text);  // cut at 255 bytes, "..." when longer
std::string FoldText(const std::string& text);

}  // namespace kelvarion
