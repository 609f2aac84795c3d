// "FormatList.ini" is read at every start, and its keys are format names that
// other programs registered. Whatever the file holds, the table is built
// without crashing, keeps its built-in sets, and what the table saves reads
// back as the same icons; a set added from the clipboard's format names is
// found again, in the table and in the file.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/dbcs.h"
#include "base/ini.h"
#include "base/strings.h"
#include "base/text_list.h"
#include "clip/format_list.h"
#include "fuzz_check.h"
#include "platform/memory/memory_file_system.h"

namespace {

using namespace kelvarion;

const std::string kExe = "c:\\program files\\kelvarion\\kelvarion.exe";
const std::string kLocal = "C:\\fuzz\\";
const std::string kFile = kLocal + "FormatList.ini";

struct Builtin {
  const char* list;
  int index;
};
constexpr Builtin kBuiltins[] = {
    {"LOCALE,OEMTEXT,TEXT,UNICODETEXT", 2},
    {"DataObject,FileName,FileNameW,HDROP,Ole Private Data,Preferred DropEffect,Shell IDList Array,Shell Object "
     "Offsets",
     3},
    {"DataObject,FileName,FileNameW,HDROP,Ole Private Data,Preferred DropEffect,Shell IDList Array", 3},
    {"BITMAP,DIB,MAX", 4},
};

// First entry whose key is this one as a settings file compares keys:
// without regard to case, blanks around it dropped; -1 when none. (A list
// with a blank at an end, from a format name ending in a blank or "'", thus
// comes back from the file without it.)
int FindNoCase(const CFormatListTable& table, const std::string& key) {
  for (int i = 0; i < table.GetSize(); ++i)
    if (EqualsNoCase(Trim(table.GetFormatList(i), kBlanks), Trim(key, kBlanks))) return i;
  return -1;
}

// A value a settings file gives back exactly as written.
bool IsPlainValue(const std::string& value) {
  return !value.empty() && value.size() <= kMaxIniValue &&
         value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos && Trim(value, kBlanks) == value &&
         value.front() != '"' && value.front() != '\'';
}

// An icon file the value "file,index" keeps: not empty (",3" reads as the
// file ",3"), and not ending in a lead byte, which would take the comma along.
bool IsKeptIconFile(const std::string& file) {
  if (file.empty()) return false;
  std::size_t i = 0, last = 0;
  while (i < file.size()) last = i, i += CharLength(file, i);
  return CharLength(file, last) == 2 || !IsLeadByte(static_cast<unsigned char>(file[last]));
}

void CheckTable(const CFormatListTable& table, int fileKeys) {
  FUZZ_CHECK(table.GetSize() >= 1 && table.GetSize() <= 1 + fileKeys + 4, "one entry per key of the file at most, besides the five");
  FUZZ_CHECK(table.GetFormatList(0).empty(), "the empty list comes first");
  for (const Builtin& b : kBuiltins) {
    std::string file;
    int index = -1;
    FUZZ_CHECK(table.FindFormatList(b.list, file, index) >= 0 && file == kExe && index == b.index,
               "a built-in set keeps the program's icon");
  }
  for (int i = 0; i < table.GetSize(); ++i) {
    std::string file;
    int index = 0;
    const int found = table.FindFormatList(table.GetFormatList(i), file, index);
    FUZZ_CHECK(found >= 0 && found <= i, "an entry's key finds it or an earlier entry");
    FUZZ_CHECK(table.GetFormatListIcon(i, file, index) == i, "every position has its icon");
  }
  CTextList files;
  FUZZ_CHECK(table.GetFormatListIconFiles(files) <= table.GetSize(), "no more icon files than entries");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  CTextList names;
  const int nameCount = input.ConsumeIntegralInRange(0, 6);
  // Format names come from the system, zero-terminated.
  for (int i = 0; i < nameCount; ++i) {
    const std::string name = input.ConsumeRandomLengthString(40);
    names.Add(name.substr(0, name.find('\0')));
  }
  const std::string iconFile = input.ConsumeRandomLengthString(80);
  const int iconIndex = input.ConsumeIntegral<int>();
  const std::string contents = input.ConsumeRemainingBytesAsString();

  MemoryFileSystem fs;
  fs.PutFile(kFile, contents);
  fs.PutFile(kExe, "MZ");
  CTextList fileKeys;
  ReadIniSectionKeys(fs, kFile, "ICON", fileKeys);

  CFormatListTable table(fs, kExe, kLocal);
  table.LoadFormatList();
  table.LoadFormatList();  // a second load changes nothing
  CheckTable(table, fileKeys.GetSize());

  // Saved and read again: the same icon for every set the file can hold. The
  // icon files must exist to be saved.
  for (int i = 0; i < table.GetSize(); ++i) {
    std::string file;
    int index = 0;
    table.GetFormatListIcon(i, file, index);
    if (!file.empty()) fs.PutFile(file, "icon");
  }
  table.SaveFormatList();
  {
    CTextList savedKeys;
    ReadIniSectionKeys(fs, kFile, "ICON", savedKeys);
    CFormatListTable again(fs, kExe, kLocal);
    again.LoadFormatList();
    CheckTable(again, savedKeys.GetSize());
    for (int i = 1; i < table.GetSize(); ++i) {
      const std::string key = table.GetFormatList(i);
      if (FindNoCase(table, key) != i) continue;  // done with the first of the equal keys
      // Equal keys share one line of the file, which holds the value of the
      // last of them that was saved.
      int last = -1;
      for (int j = i; j < table.GetSize(); ++j) {
        std::string file;
        int index = 0;
        table.GetFormatListIcon(j, file, index);
        if (FindNoCase(table, table.GetFormatList(j)) == i && !file.empty() && !table.IsDefaultIcon(file, index))
          last = j;
      }
      if (last < 0) continue;
      std::string file;
      int index = 0;
      table.GetFormatListIcon(last, file, index);
      const std::string value = file + "," + IntToString(index);
      if (!IsPlainValue(value) || !IsKeptIconFile(file)) continue;
      if (WriteIniString(fs, kLocal + "probe.ini", "ICON", key, value) == 0) continue;  // a key no file can hold
      const int at = FindNoCase(again, key);
      FUZZ_CHECK(at >= 0, "a saved set reads back");
      // A built-in set takes the program's icon again at every start.
      for (const Builtin& b : kBuiltins)
        if (again.GetFormatList(at) == b.list) file = kExe, index = b.index;
      std::string againFile;
      int againIndex = 0;
      FUZZ_CHECK(again.GetFormatListIcon(at, againFile, againIndex) == at && againFile == file && againIndex == index,
                 "a saved set reads back with its icon");
    }
  }

  // A set from the clipboard's format names: a list the table holds exactly
  // takes the icon as given; any other is appended under its cleaned key with
  // the icon file lower-cased, found again by that key, and stored when it has
  // an icon of its own. (A list whose key differs, one carrying the marker, is
  // never found as it is and appends anew each time.)
  const std::string list = MakeFormatList(names);
  std::string file;
  int index = 0;
  const int before = table.GetSize();
  const int existing = table.FindFormatList(list, file, index);
  const int added = table.AddFormatList(list, iconFile, iconIndex);
  const std::string key = table.GetFormatList(added);
  FUZZ_CHECK(existing >= 0 ? added == existing && table.GetSize() == before
                           : added == before && table.GetSize() == before + 1,
             "a known list keeps its entry, a new one is appended");
  FUZZ_CHECK(table.GetFormatListIcon(added, file, index) == added && index == iconIndex &&
                 file == (existing >= 0 ? iconFile : ToLower(iconFile)),
             "the entry has the icon it was given");
  FUZZ_CHECK(key != list || table.AddFormatList(list, iconFile, iconIndex) == added, "a list added again is found");
  FUZZ_CHECK(table.FindFormatList(key, file, index) <= added, "the stored key finds the entry");
  const std::string value = ToLower(iconFile) + "," + IntToString(iconIndex);
  if (existing < 0 && !key.empty() && IsKeptIconFile(ToLower(iconFile)) &&
      !table.IsDefaultIcon(ToLower(iconFile), iconIndex) && IsPlainValue(value) &&
      WriteIniString(fs, kLocal + "probe.ini", "ICON", key, value) != 0 && FindNoCase(table, key) == added) {
    fs.PutFile(ToLower(iconFile), "icon");
    // An icon file that is no local path (a share, a relative name) is
    // never opened: the next start gives the set the program's own icon.
    const bool local = IsLocalIconFile(fs, ToLower(iconFile));
    CFormatListTable reread(fs, kExe, kLocal);
    reread.LoadFormatList();
    const int at = FindNoCase(reread, key);
    std::string rereadFile;
    int rereadIndex = 0;
    bool builtin = false;  // a built-in set always takes the program's own icon
    for (const Builtin& b : kBuiltins) builtin = builtin || key == b.list;
    FUZZ_CHECK(builtin || !local || (at >= 0 && reread.GetFormatListIcon(at, rereadFile, rereadIndex) == at &&
                           rereadFile == ToLower(iconFile) && rereadIndex == iconIndex),
               "an added set is in the file at once");
  }
  return 0;
}
