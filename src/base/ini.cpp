#include "base/ini.h"

#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/dbcs.h"
#include "base/file_utils.h"
#include "base/strings.h"

namespace kelvarion {

namespace {

// One line of the file: its text [begin, end) and its line break [end, next).
// CR LF, a lone CR and a lone LF each end a line, as they do for the system.
struct Line {
  std::size_t begin = 0, end = 0, next = 0;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    // Line breaks lie below 0x40 and are never trail bytes, so a plain byte
    // search cannot cut a double-byte character.
    std::size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) {
      lines.push_back({begin, text.size(), text.size()});
      break;
    }
    std::size_t next = end + 1;
    if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
    lines.push_back({begin, end, next});
    begin = next;
  }
  return lines;
}

// The trimmed section name when the line is a section header "[name]";
// a line without its closing bracket is no header.
std::optional<std::string> SectionName(std::string_view line) {
  std::size_t open = line.find_first_not_of(kBlanks);
  if (open == std::string_view::npos || line[open] != '[') return std::nullopt;
  std::size_t close = FindChar(line, ']', open + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(open + 1, close - open - 1), kBlanks);
}

struct KeyLine {
  std::string name;   // trimmed
  std::string value;  // as the system returns it: trimmed, one pair of quotes off
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
  std::size_t equals = FindChar(line, '=');
  if (equals == std::string_view::npos) return std::nullopt;
  KeyLine key{Trim(line.substr(0, equals), kBlanks), Trim(line.substr(equals + 1), kBlanks)};
  std::string& v = key.value;
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return key;
}

// Names and values cross the system's interface as terminated strings.
std::string UpToZero(const std::string& text) { return text.substr(0, text.find('\0')); }

// Where a section and a key stand in the file's lines.
struct Location {
  std::optional<std::size_t> header;    // the section's header line
  std::size_t sectionEnd = 0;           // first line after the section
  std::optional<std::size_t> keyLine;   // the key's line in that section
  std::string storedKey;                // the key's name as the file spells it
  std::string value;
};

Location Locate(std::string_view text, const std::vector<Line>& lines, const std::string& section,
                const std::string& key) {
  Location at;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = text.substr(lines[i].begin, lines[i].end - lines[i].begin);
    std::optional<std::string> name = SectionName(line);
    if (!at.header) {
      if (name && EqualsNoCase(*name, section)) at.header = i;
      continue;
    }
    if (name) {
      at.sectionEnd = i;
      return at;
    }
    if (at.keyLine) continue;
    std::optional<KeyLine> parsed = ParseKeyLine(line);
    if (parsed && EqualsNoCase(parsed->name, key)) {
      at.keyLine = i;
      at.storedKey = std::move(parsed->name);
      at.value = std::move(parsed->value);
    }
  }
  at.sectionEnd = lines.size();
  return at;
}

// At most kMaxIniValue bytes, never ending inside a double-byte character.
std::string LimitValue(const std::string& value) {
  return std::string(CutOnCharacter(UpToZero(value), kMaxIniValue));
}

bool EndsWithLineBreak(std::string_view text) { return !text.empty() && (text.back() == '\n' || text.back() == '\r'); }

// A line about to be written must read back as what it was meant to be;
// otherwise it would change the file's structure (a key line that looks like
// a header, a "]" or "=" hidden in a name or swallowed by a lead byte), or be
// appended anew on every write because it is never found.
bool HeaderReadsBack(const std::string& line, const std::string& section) {
  std::optional<std::string> name = SectionName(line);
  return name && *name == section;
}

bool KeyLineReadsBack(const std::string& line, const std::string& key) {
  // The key listing ends a section at a line beginning with "[" and skips a
  // line beginning with ";": such a key would hide itself, or every key after
  // it. (Keys come from outside too: format names, menu labels.)
  if (line.empty() || line.front() == '[' || line.front() == ';' || SectionName(line)) return false;
  std::optional<KeyLine> parsed = ParseKeyLine(line);
  return parsed && EqualsNoCase(parsed->name, key);
}

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

std::string ReadIniStringRaw(FileSystem& fs, const std::string& file, const std::string& section,
                             const std::string& key) {
  if (file.empty()) return std::string();
  std::string text;
  if (!ReadWholeFile(fs, file, text)) return std::string();
  std::vector<Line> lines = SplitLines(text);
  Location at = Locate(text, lines, Trim(UpToZero(section), kBlanks), Trim(UpToZero(key), kBlanks));
  return at.keyLine ? LimitValue(at.value) : std::string();
}

std::string ReadIniString(FileSystem& fs, const std::string& file, const std::string& section, const std::string& key,
                          const std::string& defaultValue) {
  std::string value = TrimRight(ReadIniStringRaw(fs, file, section, key));
  if (!value.empty()) return value;
  WriteIniString(fs, file, section, key, defaultValue);
  return defaultValue;
}

namespace {

// The text of the file once the entries are written into one section, as
// writing them one by one would leave it (a later entry for a key wins),
// built in one pass over the lines. An entry whose line would not read back
// is left out; `applied` counts the others. nullopt when the section itself
// cannot be written.
std::optional<std::string> ApplyEntries(std::string_view text, const std::string& section, const IniEntries& entries,
                                        int& applied) {
  applied = 0;
  const std::string sectionName = Trim(UpToZero(section), kBlanks);
  if (sectionName.empty() || HasLineBreak(sectionName)) return std::nullopt;
  const std::vector<Line> lines = SplitLines(text);

  // The first section of that name, and the first line of each of its keys.
  std::optional<std::size_t> header;
  std::size_t sectionEnd = lines.size();
  std::unordered_map<std::string, std::size_t> keyLines;  // upper-cased key -> line
  std::unordered_map<std::size_t, std::string> storedKeys;  // line -> the key as the file spells it
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = text.substr(lines[i].begin, lines[i].end - lines[i].begin);
    std::optional<std::string> name = SectionName(line);
    if (!header) {
      if (name && EqualsNoCase(*name, sectionName)) header = i;
      continue;
    }
    if (name) {
      sectionEnd = i;
      break;
    }
    std::optional<KeyLine> parsed = ParseKeyLine(line);
    if (parsed && keyLines.emplace(ToUpper(parsed->name), i).second) storedKeys[i] = std::move(parsed->name);
  }

  std::unordered_map<std::size_t, std::string> replaced;  // line -> its new text
  std::vector<std::string> added;                         // new key lines, in order
  std::unordered_map<std::string, std::size_t> addedAt;   // upper-cased key -> index in added
  for (const auto& [key, value] : entries) {
    const std::string keyName = Trim(UpToZero(key), kBlanks);
    std::string newValue = UpToZero(value);
    newValue = newValue.substr(0, newValue.find_first_of("\r\n"));
    if (keyName.empty() || HasLineBreak(keyName)) continue;
    const std::string upper = ToUpper(keyName);
    if (auto at = keyLines.find(upper); at != keyLines.end()) {
      std::string keyLine = storedKeys[at->second] + "=" + newValue;
      if (KeyLineReadsBack(keyLine, keyName)) {
        replaced[at->second] = std::move(keyLine);
        ++applied;
      }
      continue;
    }
    std::string keyLine = keyName + "=" + newValue;
    if (!KeyLineReadsBack(keyLine, keyName)) continue;
    ++applied;
    if (auto at = addedAt.find(upper); at != addedAt.end()) {
      // The line written first is found again, with its spelling of the key.
      const std::string& first = added[at->second];
      added[at->second] = first.substr(0, FindChar(first, '=')) + "=" + newValue;
    } else {
      addedAt.emplace(upper, added.size());
      added.push_back(std::move(keyLine));
    }
  }

  std::string updated;
  auto appendAdded = [&] {
    if (!updated.empty() && !EndsWithLineBreak(updated)) updated += "\r\n";
    for (const std::string& line : added) updated.append(line).append("\r\n");
  };
  if (!header) {
    updated.assign(text);
    if (added.empty()) return updated;
    const std::string headerLine = "[" + sectionName + "]";
    if (!HeaderReadsBack(headerLine, sectionName)) return std::nullopt;
    if (!updated.empty() && !EndsWithLineBreak(updated)) updated += "\r\n";
    updated.append(headerLine).append("\r\n");
    appendAdded();
    return updated;
  }
  // New keys go where the section ends: before the next one, after any blank
  // or comment lines that trail it.
  const std::size_t insertAt = sectionEnd < lines.size() ? lines[sectionEnd].begin : text.size();
  std::size_t copied = 0;
  if (!replaced.empty()) {
    for (std::size_t i = *header + 1; i < sectionEnd; ++i) {
      auto at = replaced.find(i);
      if (at == replaced.end()) continue;
      updated.append(text.substr(copied, lines[i].begin - copied)).append(at->second);
      copied = lines[i].end;
    }
  }
  updated.append(text.substr(copied, insertAt - copied));
  if (!added.empty()) appendAdded();
  updated.append(text.substr(insertAt));
  return updated;
}

}  // namespace

int WriteIniStrings(FileSystem& fs, const std::string& file, const std::string& section, const IniEntries& entries) {
  if (file.empty()) return -1;
  std::string text;
  const bool existed = ReadWholeFile(fs, file, text);
  // A file that is there but cannot be read must not be replaced by one
  // holding only these keys.
  if (!existed && fs.Exists(file)) return -1;
  int applied = 0;
  const std::optional<std::string> updated = ApplyEntries(text, section, entries, applied);
  if (!updated) return 0;
  const bool unchanged = existed ? *updated == text : updated->empty();
  if (!unchanged && ReplaceTextFile(fs, file, *updated) != 0) return -1;
  return applied;
}

int WriteIniString(FileSystem& fs, const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) {
  return WriteIniStrings(fs, file, section, {{key, value}}) == 1 ? 1 : 0;
}

int RewriteIniFile(FileSystem& fs, const std::string& file, const std::string& section, const IniEntries& entries) {
  if (file.empty()) return -1;
  int applied = 0;
  const std::optional<std::string> text = ApplyEntries("", section, entries, applied);
  if (!text) return 0;
  return ReplaceTextFile(fs, file, *text) == 0 ? applied : -1;
}

void ReadIniSectionValues(FileSystem& fs, const std::string& file, const std::string& section, IniEntries& entries) {
  entries.clear();
  std::string text;
  if (file.empty() || !ReadWholeFile(fs, file, text)) return;
  const std::string sectionName = Trim(UpToZero(section), kBlanks);
  bool inSection = false;
  for (const Line& at : SplitLines(text)) {
    std::string_view line = std::string_view(text).substr(at.begin, at.end - at.begin);
    std::optional<std::string> name = SectionName(line);
    if (!inSection) {
      inSection = name && EqualsNoCase(*name, sectionName);
      continue;
    }
    if (name) break;
    if (std::optional<KeyLine> parsed = ParseKeyLine(line)) entries.emplace_back(parsed->name, LimitValue(parsed->value));
  }
}

void ReadIniSectionNames(FileSystem& fs, const std::string& file, CTextList& list) {
  list.RemoveAll();
  std::string text;
  if (file.empty() || ReadTextFile(fs, file, text) < 0) return;
  CTextList parts;
  SplitString(text, "\r\n", parts);
  for (const std::string& part : parts.Items()) {
    if (part.empty()) continue;
    std::string line = Trim(part, kBlanks);
    if (line.size() >= 2 && line.front() == '[' && EndsWithChar(line, ']')) list.Add(line.substr(1, line.size() - 2));
  }
}

int ReadIniSectionKeys(FileSystem& fs, const std::string& file, const std::string& section, CTextList& list) {
  std::string text;
  if (file.empty() || ReadTextFile(fs, file, text) < 0) return list.GetSize();
  CTextList parts;
  SplitString(text, "\r\n", parts);
  const std::string header = ToUpper("[" + section + "]");
  const std::vector<std::string>& lines = parts.Items();
  std::size_t i = 0;
  while (i < lines.size() && ToUpper(lines[i]) != header) ++i;
  if (i == lines.size()) return list.GetSize();
  for (++i; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!line.empty() && line.front() == '[') break;
    if (!line.empty() && line.front() == ';') continue;
    std::size_t equals = FindChar(line, '=');
    if (equals != std::string::npos && equals > 0) list.Add(line.substr(0, equals));
  }
  return list.GetSize();
}

}  // namespace kelvarion
