// What a text history file becomes in the archive: its text as UTF-8, cut to
// the limit, with its length.
//
// Lengths count as the program counts text: in code page 936 bytes, so an
// ASCII character counts one and a double-byte character two. A text saved
// as UTF-8 behind the byte-order mark (characters code page 936 lacks) counts
// the same way: one for an ASCII character, two for any other. A cut never
// falls inside a character, so a cut text may be one short of the limit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvarion {

inline constexpr int kMemoLimit = 32768;

struct ArchiveText {
  std::string filememo;  // UTF-8, at most kMemoLimit long as counted above
  int filelen = 0;       // its length as counted above
  bool cut = false;      // the file's text is longer than the limit
  // Some bytes of the file do not survive in filememo (a zero byte, a byte
  // sequence that is no code page 936 character): the archive keeps the file
  // itself too, as it does for a cut text.
  bool lossy = false;
};

// fileBytes: the whole file. Its text is read as the program reads history
// texts: a zero byte ends the contribution of its 32 768-byte block; a text
// that starts with EF BB BF and is valid UTF-8 after it is UTF-8, any other
// is code page 936.
ArchiveText MakeArchiveText(std::string_view fileBytes);

}  // namespace kelvarion
