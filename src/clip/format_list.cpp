#include "clip/format_list.h"

#include <utility>

#include "base/dbcs.h"
#include "base/file_utils.h"
#include "base/ini.h"
#include "base/strings.h"

namespace kelvarion {

namespace {

constexpr char kIconSection[] = "ICON";
constexpr char kMarkerFormatName[] = "Kelvarion-marker-format";

// Every occurrence of from, left to right, not overlapping, found on
// character boundaries only (a trail byte never starts a match).
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  std::size_t start = 0;
  for (std::size_t at; (at = FindText(text, from, start)) != std::string_view::npos; start = at + from.size()) {
    result.append(text.substr(start, at - start));
    result.append(to);
  }
  result.append(text.substr(start));
  return result;
}

std::string IconValue(const std::string& iconFile, int iconIndex) { return iconFile + "," + IntToString(iconIndex); }

}  // namespace

std::string MakeFormatList(const CTextList& names) {
  CTextList sorted = names;
  sorted.Sort();
  std::string joined;
  for (int i = 0; i < sorted.GetSize(); ++i) {
    if (i > 0) joined += ",";
    joined += sorted.Get(i);
  }
  return ReplaceAll(ReplaceAll(joined, ",,", ","), "'", " ");
}

bool IsLocalIconFile(FileSystem& fs, const std::string& path) {
  if (path.size() < 4) return false;
  const char drive = static_cast<char>(path[0] | 0x20);
  if (drive < 'a' || drive > 'z' || path[1] != ':' || (path[2] != '\\' && path[2] != '/')) return false;
  // Wildcards would let the existence test match some other file, and a
  // second colon names a stream or is no path at all. All of these lie below
  // 0x40, so none of them is ever the trail byte of a double-byte character.
  for (std::size_t i = 2; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (c < 0x20 || c == '*' || c == '?' || c == ':') return false;
  }
  return fs.Exists(path) && !fs.IsDirectory(path);
}

CFormatListTable::CFormatListTable(FileSystem& fs, std::string exePath, std::string localDirectory)
    : fs_(fs), exePathLower_(ToLower(exePath)), localDirectory_(std::move(localDirectory)) {}

std::string CFormatListTable::GetFormatListFilePath() const { return localDirectory_ + "FormatList.ini"; }

bool CFormatListTable::IsDefaultIcon(const std::string& iconFile, int iconIndex) const {
  // Paths name the same file whatever their case; a dialog hands back the
  // executable's path as the system spells it.
  return iconIndex == kDefaultIconIndex && EqualsNoCase(iconFile, exePathLower_);
}

void CFormatListTable::LoadFormatList() {
  if (loaded_) return;
  loaded_ = true;
  const std::string file = GetFormatListFilePath();

  AddFormatList("", exePathLower_, 0);

  if (FileExists(fs_, file)) {
    std::string text;
    unreadable_ = ReadTextFile(fs_, file, text) < 0;
    CTextList keys;
    ReadIniSectionKeys(fs_, file, kIconSection, keys);
    for (const std::string& key : keys.Items()) {
      std::string value = ToLower(ReadIniString(fs_, file, kIconSection, key, ""));
      if (value.empty()) continue;
      // The index follows the last comma, the one written after the file
      // name: a folder such as "Foo, Inc" keeps its comma in the path.
      std::string iconFile = value;
      int iconIndex = 0;
      std::size_t comma = FindLastChar(value, ',');
      if (comma != std::string::npos && comma > 0) {
        iconFile = value.substr(0, comma);
        iconIndex = StrToInt(std::string_view(value).substr(comma + 1));
      }
      // Anyone can write this file (and the clipboard marker that fed it):
      // a path that is not a local file gets the program's own icon, which
      // also keeps it out of the file at the next save.
      if (!IsLocalIconFile(fs_, iconFile)) {
        iconFile = exePathLower_;
        iconIndex = kDefaultIconIndex;
      }
      formatLists_.Add(key);
      iconFiles_.Add(iconFile);
      iconIndexes_.Add(static_cast<std::uint32_t>(iconIndex));
    }
  }
  // The program has no import of the old "FormatList.dat" database, so it
  // leaves that file where it is rather than delete what it never read.

  AddFormatList("LOCALE,OEMTEXT,TEXT,UNICODETEXT", exePathLower_, 2);
  AddFormatList(
      "DataObject,FileName,FileNameW,HDROP,Ole Private Data,Preferred DropEffect,Shell IDList Array,Shell Object "
      "Offsets",
      exePathLower_, 3);
  AddFormatList("DataObject,FileName,FileNameW,HDROP,Ole Private Data,Preferred DropEffect,Shell IDList Array",
                exePathLower_, 3);
  AddFormatList("BITMAP,DIB,MAX", exePathLower_, 4);
}

int CFormatListTable::SaveFormatList() {
  // A file that was there but could not be read holds icons the table never
  // saw; writing the table over it would lose them.
  if (unreadable_) return -1;
  IniEntries entries;
  for (int i = 0; i < GetSize(); ++i) {
    const std::string key = formatLists_.Get(i);
    const std::string iconFile = iconFiles_.Get(i);
    const int iconIndex = static_cast<int>(iconIndexes_.Get(i));
    if (key.empty() || IsDefaultIcon(iconFile, iconIndex) || !FileExists(fs_, iconFile)) continue;
    entries.emplace_back(key, IconValue(iconFile, iconIndex));
  }
  // One write of the whole file, which replaces the old one only once it is
  // complete. Keys that no ini line can hold are left out.
  return RewriteIniFile(fs_, GetFormatListFilePath(), kIconSection, entries) < 0 ? -1 : 0;
}

int CFormatListTable::FindFormatList(const std::string& formatList, std::string& iconFile, int& iconIndex) const {
  int position = formatLists_.Find(formatList);
  if (position < 0) return -1;
  iconFile = iconFiles_.Get(position);
  iconIndex = static_cast<int>(iconIndexes_.Get(position));
  return position;
}

int CFormatListTable::AddFormatList(const std::string& formatList, const std::string& iconFile, int iconIndex) {
  int position = formatLists_.Find(formatList);
  if (position >= 0) {
    iconFiles_.Set(position, iconFile);
    iconIndexes_.Set(position, static_cast<std::uint32_t>(iconIndex));
    return position;
  }

  // A state the program put back itself carries the marker format; the key
  // leaves it out so that the file names only the user's formats.
  std::string key = ReplaceAll(formatList, kMarkerFormatName, "");
  key = ReplaceAll(key, ",,", ",");
  if (!key.empty() && key.front() == ',') key.erase(0, 1);
  if (!key.empty() && key.back() == ',') key.pop_back();
  const std::string iconFileLower = ToLower(iconFile);

  formatLists_.Add(key);
  iconFiles_.Add(iconFileLower);
  position = iconIndexes_.Add(static_cast<std::uint32_t>(iconIndex));

  if (!key.empty() && !IsDefaultIcon(iconFileLower, iconIndex)) {
    WriteIniString(fs_, GetFormatListFilePath(), kIconSection, key, IconValue(iconFileLower, iconIndex));
  }
  return position;
}

int CFormatListTable::GetFormatListIcon(int position, std::string& iconFile, int& iconIndex) const {
  if (position < 0 || position >= GetSize()) return -1;
  iconFile = iconFiles_.Get(position);
  iconIndex = static_cast<int>(iconIndexes_.Get(position));
  return position;
}

int CFormatListTable::SetFormatListIcon(int position, const std::string& iconFile, int iconIndex) {
  if (position < 0 || position >= GetSize()) return -1;
  iconFiles_.Set(position, iconFile);
  iconIndexes_.Set(position, static_cast<std::uint32_t>(iconIndex));
  // The user's choice reaches the file at once: a session that ends without
  // the program's own exit would otherwise lose it.
  SaveFormatList();
  return position;
}

int CFormatListTable::GetFormatListIconFiles(CTextList& files) const {
  files.RemoveAll();
  for (const std::string& iconFile : iconFiles_.Items()) {
    if (files.Find(iconFile, 0, true) < 0) files.Add(iconFile);
  }
  return files.GetSize();
}

}  // namespace kelvarion
