// The settings files: sections in square brackets and key=value lines, read
// and written the way Windows' private profile functions treat them, over
// the FileSystem port so that the same code runs natively.
//
// Section and key names compare without regard to the case of ASCII letters
// (double-byte characters compare as they are). A value is the text after the
// first "=", without blanks around it and without one pair of matching
// enclosing quotes (" or '); at most 1023 bytes of it are read. A missing
// file, section or key reads as empty. An empty file path reads as empty and
// is never written.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/text_list.h"
#include "platform/file_system.h"

namespace kelvarion {

// The largest value a read returns, in bytes (the system's 1024-byte buffer
// less its terminator).
inline constexpr std::size_t kMaxIniValue = 1023;

// The value, trailing white space removed; when that leaves it empty the
// default is written under the key (even an empty default, which leaves
// "key=" in the file) and returned.
std::string ReadIniString(FileSystem& fs, const std::string& file, const std::string& section, const std::string& key,
                          const std::string& defaultValue);

// The value as stored; empty when missing. Writes nothing.
std::string ReadIniStringRaw(FileSystem& fs, const std::string& file, const std::string& section,
                             const std::string& key);

// Keys and values of one section, in the order they are written or read.
using IniEntries = std::vector<std::pair<std::string, std::string>>;

// Replaces the line of an existing key (the first one, in the first section
// of that name), or adds the key at the end of its section, or the section
// at the end of the file, creating the file when it is missing; every other
// byte of the file stays as it was. New lines end in CR LF. A value is cut at
// its first line break, so it can never add lines of its own. Returns
// non-zero on success; 0 for an empty path, for a line that would not read
// back as written (an empty name, a line break in a name, a "]" in a section
// name, a "=" in a key, a key line that would look like a section header, a
// name ending in a lone lead byte, a key beginning with "[" or ";", which the
// key listing would take for the end of the section or a comment), or for a
// file that cannot be written. The file is replaced whole (written beside it,
// then renamed over it), so a failed write leaves it as it was.
int WriteIniString(FileSystem& fs, const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value);

// Writes many keys of one section as WriteIniString would one after the
// other (a later entry for a key wins), with one read and one write of the
// file. An entry that could not be read back as written is left out, the
// rest still written. Returns the number of entries written (0 as well for a
// section name that cannot be written), or -1 for an empty path or a file
// that cannot be read or written, which is then as it was.
int WriteIniStrings(FileSystem& fs, const std::string& file, const std::string& section, const IniEntries& entries);

// Replaces the whole file with one section holding the entries (an empty
// file for none), under the same rules and with the same results.
int RewriteIniFile(FileSystem& fs, const std::string& file, const std::string& section, const IniEntries& entries);

// Every key line of the first section of that name, in file order and
// duplicates kept, each name and value as ReadIniStringRaw finds them.
void ReadIniSectionValues(FileSystem& fs, const std::string& file, const std::string& section, IniEntries& entries);

// Empties the list and fills it with the names of the file's sections in
// file order, duplicates kept. Only lines ended by CR LF are recognised.
void ReadIniSectionNames(FileSystem& fs, const std::string& file, CTextList& list);

// Appends the key names of one section in file order (the text before each
// line's first "=", as it stands; ";" lines skipped) and returns the list's
// new size. A missing section leaves the list unchanged.
int ReadIniSectionKeys(FileSystem& fs, const std::string& file, const std::string& section, CTextList& list);

}  // namespace kelvarion
