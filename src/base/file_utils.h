// Whole-file and directory helpers over the FileSystem port. Paths are code
// page 936 texts in Windows form; directory paths end in "\".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// Reads an open file from its start to its real end, whatever its size said
// (a file may grow or shrink while it is read). False, and bytes empty, when
// memory for it cannot be had or the file holds more than limit bytes (its
// size says so before anything is read, or it grew past them).
bool ReadWholeFile(File& file, std::vector<std::uint8_t>& bytes, std::uint64_t limit = UINT64_MAX);
// The same by path, into bytes; false also when it cannot be opened.
bool ReadWholeFile(FileSystem& fs, const std::string& path, std::string& bytes, std::uint64_t limit = UINT64_MAX);

// Fills text with the file's bytes, where a zero byte ends the contribution
// of its 32 768-byte block. Returns the length of the text, or (text
// unchanged) -1 when the file cannot be opened, -2 when it holds more than
// INT_MAX bytes, a length the result cannot give.
int ReadTextFile(FileSystem& fs, const std::string& file, std::string& text);

// Creates or replaces the file with the bytes of text, writing into it
// directly: for a file nobody reads yet, such as a temporary one. Returns 0,
// or -1 when the file cannot be created or not every byte was written.
int WriteTextFile(FileSystem& fs, const std::string& file, const std::string& text);

// The temporary file beside a file that is being replaced: "~" + its name +
// ".tmp", in the same folder so that the rename stays on one volume.
std::string ReplacementPath(const std::string& file);

// Creates or replaces a file so that no failure can leave it half-written:
// write fills the temporary file beside it (returning false when a write
// failed), which is put on the disk and then renamed over the file. Returns
// 0, or -1 when anything failed; the temporary is then removed and the file
// is as it was.
int ReplaceFileContents(FileSystem& fs, const std::string& file, const std::function<bool(File&)>& write);
// The same with the bytes of text.
int ReplaceTextFile(FileSystem& fs, const std::string& file, std::string_view text);

// Writes the buffer's bytes (its current length) to the file, appended to it
// or replacing it. Returns 0, or -1 when the file cannot be opened and -2 when
// not every byte was written (the file then holds what was).
int WriteDataFile(FileSystem& fs, const std::string& file, const CByteBuffer& buffer, bool append);

// Appends the names (no path) of the directory's entries, sub-directories
// included, "." and ".." left out. An unreadable directory adds nothing.
void ListFiles(FileSystem& fs, const std::string& directory, CTextList& list);

}  // namespace kelvarion
