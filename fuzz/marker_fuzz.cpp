// The marker format travels with every state the program puts back, but any
// program can set a format of that name: its text is outside bytes. Reading
// must never take more than the text holds, and what the program writes must
// read back as it was written.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/dbcs.h"
#include "clip/clipboard_file.h"
#include "fuzz_check.h"

namespace {

using namespace kelvarion;

bool Same(const MarkerInfo& a, const MarkerInfo& b) {
  return a.iconFile == b.iconFile && a.iconIndex == b.iconIndex && a.memo == b.memo;
}

// A line the marker can carry: no line break on a character boundary, and no
// lead byte left without its trail byte at the end (it would take the line
// break that follows as its trail).
bool IsWholeLine(const std::string& text) {
  if (FindText(text, "\r\n") != std::string::npos) return false;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t n = CharLength(text, i);
    if (n == 1 && i + 1 == text.size() && IsLeadByte(static_cast<unsigned char>(text[i]))) return false;
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  MarkerInfo info;
  const bool isMarker = ParseMarkerText(text, info);
  const std::string first = kMarkerFirstLine;
  const bool starts = text.compare(0, first.size(), first) == 0 &&
                      (text.size() == first.size() || text.compare(first.size(), 2, "\r\n") == 0);
  FUZZ_CHECK(isMarker == starts, "a marker is a text whose first line is the marker's");
  FUZZ_CHECK(isMarker || Same(info, MarkerInfo()), "a text that is no marker gives nothing");
  FUZZ_CHECK(info.iconFile.size() + info.memo.size() <= size, "nothing read beyond the text");
  if (isMarker && IsWholeLine(info.iconFile)) {
    // Written again, the marker reads as the same one.
    MarkerInfo again;
    FUZZ_CHECK(ParseMarkerText(BuildMarkerText(info.iconFile, info.iconIndex, info.memo), again) && Same(again, info),
               "a marker read and written again reads the same");
  }

  // A marker the program writes, from fields made of the input.
  FuzzedDataProvider input(data, size);
  MarkerInfo written;
  written.iconFile = input.ConsumeRandomLengthString(260);
  written.iconIndex = input.ConsumeIntegral<int>();
  written.memo = input.ConsumeRemainingBytesAsString();
  if (IsWholeLine(written.iconFile)) {
    MarkerInfo read;
    FUZZ_CHECK(ParseMarkerText(BuildMarkerText(written.iconFile, written.iconIndex, written.memo), read) &&
                   Same(read, written),
               "a marker the program writes reads back as written");
  }
  return 0;
}
