// Code page 936 is double-byte: a lead byte 0x81..0xFE takes the next byte
// with it, and that trail byte may be any of 0x40..0xFE, which includes '\',
// '[', ']', '|' and ASCII letters. Every search for an ASCII byte and every
// change of case in a text that may hold Chinese goes through these helpers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvarion {

inline bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Length in bytes of the character that starts at pos (1 or 2; 1 for a lead
// byte at the very end).
std::size_t CharLength(std::string_view text, std::size_t pos);

// Position of the first (last) single-byte character c at or after start
// (before end), never a trail byte; npos when there is none.
std::size_t FindChar(std::string_view text, char c, std::size_t start = 0);
std::size_t FindLastChar(std::string_view text, char c);
std::size_t FindLastChar(std::string_view text, char c, std::size_t end);
// Position of the first occurrence of needle that starts on a character
// boundary; npos when there is none.
std::size_t FindText(std::string_view text, std::string_view needle, std::size_t start = 0);

// ASCII letters change case; double-byte characters stay as they are.
std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
// <0, 0, >0 like strcmp over bytes, ASCII letters compared upper-cased.
int CompareNoCase(std::string_view a, std::string_view b);

// True when the last character (not a trail byte) is c.
bool EndsWithChar(std::string_view text, char c);

// At most limit bytes of text, never ending inside a double-byte character:
// half a character would show as garbage, or fuse with what follows.
std::string_view CutOnCharacter(std::string_view text, std::size_t limit);

}  // namespace kelvarion
