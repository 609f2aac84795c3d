#include "base/ini.h"

#include <optional>
#include <string_view>
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

bool ReadWholeFile(FileSystem& fs, const std::string& file, std::string& bytes) {
  auto f = fs.Open(file, OpenMode::kRead);
  if (!f) return false;
  char block[16384];
  for (std::size_t got; (got = f->Read(block, sizeof block)) > 0;) bytes.append(block, got);
  return true;
}

// At most kMaxIniValue bytes, never ending inside a double-byte character.
std::string LimitValue(std::string value) {
  value = UpToZero(value);
  if (value.size() <= kMaxIniValue) return value;
  std::size_t keep = 0;
  while (keep < value.size()) {
    std::size_t n = CharLength(value, keep);
    if (keep + n > kMaxIniValue) break;
    keep += n;
  }
  value.resize(keep);
  return value;
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

int WriteIniString(FileSystem& fs, const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) {
  if (file.empty()) return 0;
  std::string sectionName = Trim(UpToZero(section), kBlanks);
  std::string keyName = Trim(UpToZero(key), kBlanks);
  if (sectionName.empty() || keyName.empty() || HasLineBreak(sectionName) || HasLineBreak(keyName)) return 0;
  std::string newValue = UpToZero(value);
  newValue = newValue.substr(0, newValue.find_first_of("\r\n"));

  std::string text;
  bool existed = ReadWholeFile(fs, file, text);
  // A file that is there but cannot be read must not be replaced by one
  // holding only this key.
  if (!existed && fs.Exists(file)) return 0;
  std::vector<Line> lines = SplitLines(text);
  Location at = Locate(text, lines, sectionName, keyName);

  std::string updated;
  if (at.keyLine) {
    const Line& line = lines[*at.keyLine];
    std::string keyLine = at.storedKey + "=" + newValue;
    if (!KeyLineReadsBack(keyLine, keyName)) return 0;
    updated = text.substr(0, line.begin) + keyLine + text.substr(line.end);
  } else {
    std::string keyLine = keyName + "=" + newValue;
    if (!KeyLineReadsBack(keyLine, keyName)) return 0;
    if (at.header) {
      // The section ends where the next one begins, after any blank or
      // comment lines that trail it.
      std::size_t insertAt = at.sectionEnd < lines.size() ? lines[at.sectionEnd].begin : text.size();
      std::string head = text.substr(0, insertAt);
      if (!head.empty() && !EndsWithLineBreak(head)) head += "\r\n";
      updated = head + keyLine + "\r\n" + text.substr(insertAt);
    } else {
      std::string header = "[" + sectionName + "]";
      if (!HeaderReadsBack(header, sectionName)) return 0;
      updated = text;
      if (!updated.empty() && !EndsWithLineBreak(updated)) updated += "\r\n";
      updated += header + "\r\n" + keyLine + "\r\n";
    }
  }
  if (existed && updated == text) return 1;
  return WriteTextFile(fs, file, updated) == 0 ? 1 : 0;
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
