// Small text helpers shared by the whole program: splitting, number texts,
// trimming and the time-stamp names of history files.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "base/text_list.h"

namespace kelvarion {

// Appends to list the parts of text between separators, empty parts included;
// a separator at the very end yields no empty last part. Separators are found
// on character boundaries only. Does nothing when text or separator is empty.
void SplitString(std::string_view text, std::string_view separator, CTextList& list);

std::string IntToString(int value);
std::string UIntToString(unsigned value);
// Decimal text of value with "0" in front up to width; longer texts stay whole.
std::string IntToZeroPadded(int value, int width);
// Leading white space skipped, an optional sign, then the digits up to the
// first other character; no digits gives 0. Out of range saturates at the
// int limits.
int StrToInt(std::string_view text);
// The text count times; empty for a count of 0 or less.
std::string RepeatString(std::string_view text, int count);

// White space as the settings files know it.
inline constexpr std::string_view kWhiteSpace = " \t\r\n";
inline constexpr std::string_view kBlanks = " \t";
std::string TrimLeft(std::string_view text, std::string_view chars = kWhiteSpace);
std::string TrimRight(std::string_view text, std::string_view chars = kWhiteSpace);
std::string Trim(std::string_view text, std::string_view chars = kWhiteSpace);

// The 16-digit name of a new history file: local date and time as
// YYYYMMDDhhmmss, then hundredths of a second (milliseconds 0..999; others
// are clamped into that range).
std::string MakeTimeStampName(std::time_t time, int milliseconds);

}  // namespace kelvarion
