// Characters of the archive's UTF-8 texts exactly as SQLite's LIKE sees them,
// so that the search indexes answer the same question as a LIKE scan.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/history_text.h"

namespace kelvarion {

// Reads one character the way LIKE does: a byte from 0xC0 up takes every
// following 0x80..0xBF byte with it; other bytes stand alone; overlong forms,
// surrogates and U+FFFE/U+FFFF read as U+FFFD. Advances pos.
std::uint32_t ReadLikeChar(std::string_view text, std::size_t& pos);

// LIKE compares ASCII letters without regard to case and nothing else.
inline std::uint32_t FoldLikeChar(std::uint32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

// A one-to-one byte form of a character value (UTF-8 where UTF-8 reaches,
// the old long forms beyond), used to spell index tokens.
void AppendCharToken(std::string& out, std::uint32_t c);

// The characters of text as LIKE sees them, ASCII folded; a zero byte ends
// the text, as it ends it for LIKE.
std::vector<std::uint32_t> LikeChars(std::string_view text);

// True when the trigram index's case folding of c agrees with LIKE's, apart
// from the traps below: ASCII, and the caseless blocks of Chinese, Japanese
// and Korean text, punctuation and symbols.
bool TrigramFoldsLikeLike(std::uint32_t c);
// The one other character the trigram index folds onto an ASCII letter c,
// where LIKE does not: the Kelvin sign for k, the long s for s; 0 for the
// other characters.
std::uint32_t TrigramFoldTrap(std::uint32_t c);

// The first count characters (UTF-8 characters as LIKE reads them).
std::string FirstChars(std::string_view text, std::size_t count);

}  // namespace kelvarion
