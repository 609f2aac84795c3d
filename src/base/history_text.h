// How a copied text is kept, and how every reader takes it back.
//
// A text that code page 936 holds exactly is kept as its code page 936 bytes,
// as it always was. Any other text (emoji, Korean, characters outside GBK) is
// kept whole, as UTF-8 behind the byte-order mark EF BB BF, which the text
// editors people open history files with read correctly.
//
// The mark is also a possible start of a code page 936 text (EF BB is "锘"),
// so a text counts as UTF-8 only when it starts with the mark and everything
// after it is valid UTF-8. The writer makes sure that a code page 936 text it
// keeps never looks like that: such a text is kept as UTF-8 instead, so what
// is read back is always what was kept.
//
// These kept forms travel through the program as they are (the row text, the
// paste menu's labels) and are turned into characters only at the edges:
// UTF-16 for the screen and the clipboard, UTF-8 for the archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvarion {

inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Checks UTF-8 handed over in pieces (a file read in blocks): no overlong
// forms, no surrogates, nothing past U+10FFFF, no sequence cut off at the end.
class Utf8Checker {
 public:
  void Feed(std::string_view bytes);
  // Valid so far, though the last sequence may still be waiting for bytes.
  bool Valid() const { return valid_; }
  // Valid, and nothing left waiting.
  bool Finish() const { return valid_ && pending_ == 0; }

 private:
  bool valid_ = true;
  int pending_ = 0;           // continuation bytes still to come
  std::uint32_t value_ = 0;   // the character so far
  std::uint32_t minimum_ = 0; // the smallest value its length may carry
};

bool IsValidUtf8(std::string_view text);

// True when the text is kept as UTF-8: the mark, then valid UTF-8.
bool IsUtf8HistoryText(std::string_view text);

// UTF-8 and UTF-16 of the same characters. Unpaired surrogates become U+FFFD;
// the UTF-8 given to Utf8ToUtf16 must be valid.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// The kept form of a text that arrived as characters (the clipboard's wide
// text, wide file names).
std::string MakeHistoryText(std::u16string_view text);
// The kept form of a text that arrived as code page 936 bytes: the bytes as
// they are, unless they would read back as UTF-8 (then their characters are
// kept as UTF-8).
std::string MakeHistoryTextFrom936(std::string bytes);

// The characters of a kept text, either form.
std::u16string HistoryTextToUtf16(std::string_view text);
std::string HistoryTextToUtf8(std::string_view text);
// Code page 936 bytes as well as the code page allows (what it lacks is '?'):
// for the places where only code page 936 text can go.
std::string HistoryTextToCp936(std::string_view text);

// The kept form a reader compares with: a UTF-8 text whose characters code
// page 936 holds (a file another program saved with the mark) becomes the
// code page 936 bytes the program itself would have kept. Two texts are the
// same text exactly when their compared forms are the same bytes.
std::string ComparableHistoryText(std::string_view text);

// At most width columns of a kept text, in its own form, never cutting a
// character; ASCII counts one column, any other character two (as code page
// 936 counts bytes). cut tells whether anything was left out.
std::string CutHistoryText(std::string_view text, std::size_t width, bool* cut = nullptr);

}  // namespace kelvarion
