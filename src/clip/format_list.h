// The format-icon table: every distinct set of clipboard formats (its format
// list, the sorted names joined with ",") gets an icon, so clipboard-file rows
// of different kinds look different. One table per process, owned by the main
// frame; its file is "FormatList.ini" (section "ICON") in the local directory.
#pragma once

#include <string>

#include "base/text_list.h"
#include "platform/file_system.h"

namespace kelvarion {

// The key of a format set: names sorted by byte (case kept), joined with ",",
// then ",," becomes "," and every "'" a blank.
std::string MakeFormatList(const CTextList& names);

// Whether an icon file may be opened: an existing file (not a folder) named
// by a full path on a drive letter ("C:\..."). Icon files come from other
// programs' clipboard markers and from "FormatList.ini", and are opened at
// every start; a UNC or device path ("\\server\share", "\\?\", "\\.\")
// would connect to another machine with the user's credentials, and a
// relative path resolves wherever the current directory happens to be. Such
// paths are refused before the file system is asked anything about them.
bool IsLocalIconFile(FileSystem& fs, const std::string& path);

// The program's own icon, used for a format set whose icon file is refused.
inline constexpr int kDefaultIconIndex = 1;

class CFormatListTable {
 public:
  // exePath: the running executable's full path (the default icon is this
  // file, lower-cased, with icon 1); localDirectory ends in "\".
  CFormatListTable(FileSystem& fs, std::string exePath, std::string localDirectory);

  // Builds the table once (a second call does nothing): the empty list first,
  // then the file's entries, then the four built-in ones.
  void LoadFormatList();
  // Rewrites "FormatList.ini" from the table, in one write that replaces the
  // old file only once complete. Returns 0, or -1 when the file could not be
  // written (or could not be read at load, and is then left alone).
  int SaveFormatList();

  // Position of the first entry with exactly this format list, with its icon;
  // -1 when there is none (outputs untouched).
  int FindFormatList(const std::string& formatList, std::string& iconFile, int& iconIndex) const;
  int AddFormatList(const std::string& formatList, const std::string& iconFile, int iconIndex);
  int GetFormatListIcon(int position, std::string& iconFile, int& iconIndex) const;
  // Changes an entry and saves the table at once.
  int SetFormatListIcon(int position, const std::string& iconFile, int iconIndex);
  int GetFormatListIconFiles(CTextList& files) const;

  int GetSize() const { return formatLists_.GetSize(); }
  std::string GetFormatList(int position) const { return formatLists_.Get(position); }
  std::string GetFormatListFilePath() const;
  bool IsDefaultIcon(const std::string& iconFile, int iconIndex) const;
  const std::string& GetDefaultIconFile() const { return exePathLower_; }

 private:
  FileSystem& fs_;
  std::string exePathLower_;
  std::string localDirectory_;
  bool loaded_ = false;
  bool unreadable_ = false;  // the file was there at load but could not be read
  CTextList formatLists_;
  CTextList iconFiles_;
  CNumberList iconIndexes_;
};

}  // namespace kelvarion
