// Whole-file and directory helpers over the FileSystem port. Paths are code
// page 936 texts in Windows form; directory paths end in "\".
#pragma once

#include <string>
#include <string_view>

#include "base/byte_buffer.h"
#include "base/text_list.h"
#include "platform/file_system.h"

namespace kelvarion {

// The path with a "\" added unless its last character already is one (a
// double-byte character whose trail byte is 0x5C does not count).
std::string AddTrailingBackslash(std::string_view path);
// The part after the last "\" (the whole path when there is none).
std::string FileNamePart(std::string_view path);
// Up to and including the last "\" (empty when there is none).
std::string DirectoryPart(std::string_view path);

// Creates every level of the path; errors are ignored. Always returns 0.
int CreateDirectoryPath(FileSystem& fs, const std::string& path);

// True for an existing file or directory; wildcards in the last part match.
bool FileExists(FileSystem& fs, const std::string& path);

// Fills text with the file's bytes, where a zero byte ends the contribution
// of its 32 768-byte block. Returns the length of the text, or (text
// unchanged) -1 when the file cannot be opened, -2 when it holds more than
// INT_MAX bytes, a length the result cannot give.
int ReadTextFile(FileSystem& fs, const std::string& file, std::string& text);

// Creates or replaces the file with the bytes of text. Returns 0, or -1 when
// the file cannot be created or not every byte was written.
int WriteTextFile(FileSystem& fs, const std::string& file, const std::string& text);

// Writes the buffer's bytes (its current length) to the file, appended to it
// or replacing it. Nothing happens when the file cannot be opened.
void WriteDataFile(FileSystem& fs, const std::string& file, const CByteBuffer& buffer, bool append);

// Appends the names (no path) of the directory's entries, sub-directories
// included, "." and ".." left out. An unreadable directory adds nothing.
void ListFiles(FileSystem& fs, const std::string& directory, CTextList& list);

}  // namespace kelvarion
