// A file list (HDROP) comes from whichever program set the clipboard: its
// header's offset and wide flag and its paths are anything. The reader must
// stay inside the block, drop a path that is not terminated within it, and
// give back exactly the paths of a well-made list.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/history_text.h"
#include "clip/capture.h"
#include "fuzz_check.h"
#include "platform/memory/memory_clipboard.h"

namespace {

using namespace kelvarion;

constexpr std::uint32_t kDropFormat = 15;
constexpr std::size_t kHeaderBytes = 20;

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The clipboard's file list as the capture reads it: -1 (nothing listed) or
// the paths joined by "\r\n".
int ReadList(const std::vector<std::uint8_t>& block, std::string& text) {
  MemoryClipboard clipboard;
  clipboard.Put(kDropFormat, block);
  const int r = GetClipboardTextOrFiles(clipboard, text, true);
  FUZZ_CHECK(!clipboard.IsOpen(), "the clipboard is closed again");
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The raw bytes as a block: whatever is read stays within what the block
  // could hold.
  {
    std::vector<std::uint8_t> block(data, data + size);
    std::string text;
    const int r = ReadList(block, text);
    FUZZ_CHECK(r < 0 ? text.empty() : static_cast<std::size_t>(r) == text.size(), "the result is the text's length");
    FUZZ_CHECK(text.size() <= 2 * size, "no more text than the block could hold");
    FUZZ_CHECK(text.find('\0') == std::string::npos, "no path holds a zero");
  }

  // A list made from the input, narrow or wide, sometimes cut short: the
  // reader gives back the whole paths and nothing of the cut one.
  FuzzedDataProvider input(data, size);
  const bool wide = input.ConsumeBool();
  const std::size_t cut = input.ConsumeIntegralInRange<std::size_t>(0, 3);
  std::vector<std::string> paths;  // narrow lists
  std::vector<std::u16string> widePaths;
  std::vector<std::uint8_t> block(kHeaderBytes);
  Put32(block, 0, kHeaderBytes);
  Put32(block, 16, wide ? 1 : 0);
  while (input.remaining_bytes() > 0 && paths.size() < 16) {
    std::string path = input.ConsumeRandomLengthString(300);
    path = path.substr(0, path.find('\0'));
    if (path.empty()) continue;
    if (wide) {
      const std::u16string units = Cp936ToUtf16(path);
      if (units.empty() || units.find(u'\0') != std::u16string::npos) continue;
      for (char16_t unit : units) {
        block.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        block.push_back(static_cast<std::uint8_t>(unit >> 8));
      }
      block.insert(block.end(), 2, 0);
      widePaths.push_back(units);
    } else {
      block.insert(block.end(), path.begin(), path.end());
      block.push_back(0);
    }
    paths.push_back(path);
  }
  block.insert(block.end(), wide ? 2 : 1, 0);  // the empty name that ends the list
  // Cutting off the end terminator keeps every path; cutting into the last
  // path's terminator loses that path.
  const std::size_t unit = wide ? 2 : 1;
  std::vector<std::string> expected = paths;
  std::vector<std::u16string> expectedWide = widePaths;
  if (cut >= 2 && !paths.empty()) {
    block.resize(block.size() - 2 * unit);
    expected.pop_back();
    if (wide) expectedWide.pop_back();
  } else if (cut == 1) {
    block.resize(block.size() - unit);
  }
  // The paths joined by CR LF, kept as a history text is: wide names whole.
  std::string joined;
  if (wide) {
    std::u16string units;
    for (const std::u16string& path : expectedWide) units += (units.empty() ? u"" : u"\r\n") + path;
    if (!units.empty()) joined = MakeHistoryText(units);
  } else {
    for (const std::string& path : expected) joined += (joined.empty() ? "" : "\r\n") + path;
    if (!joined.empty()) joined = MakeHistoryTextFrom936(std::move(joined));
  }

  std::string text;
  const int r = ReadList(block, text);
  FUZZ_CHECK(expected.empty() ? r == -1 : r == static_cast<int>(joined.size()) && text == joined,
             "a well-made list gives back its whole paths, and only those");
  return 0;
}
