#include "app/command_line.h"

#include "base/dbcs.h"

namespace kelvarion {

namespace {

std::string TrimBlanks(const std::string& text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string StripQuotes(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool EndsWithExe(std::string_view text) {
  return text.size() >= 4 && ToLower(text.substr(text.size() - 4)) == ".exe";
}

// Where the program path ends. A quoted one ends at its closing quote. An
// unquoted one ends at a blank, but a path with blanks in it that a shortcut
// or an older version started unquoted ("C:\Program Files\Kelvarion.exe /F")
// runs on to the word that ends in ".exe", as long as no word on the way
// begins an argument (a switch or a quoted text).
std::size_t ProgramPathEnd(std::string_view line) {
  if (!line.empty() && line.front() == '"') {
    std::size_t close = line.find('"', 1);
    return close == std::string_view::npos ? line.size() : close + 1;
  }
  auto wordEnd = [&](std::size_t from) {
    while (from < line.size() && !IsBlank(line[from])) ++from;
    return from;
  };
  const std::size_t first = wordEnd(0);
  if (EndsWithExe(line.substr(0, first))) return first;
  for (std::size_t end = first;;) {
    std::size_t next = end;
    while (next < line.size() && IsBlank(line[next])) ++next;
    if (next >= line.size() || line[next] == '/' || line[next] == '"') return first;
    end = wordEnd(next);
    if (EndsWithExe(line.substr(0, end))) return end;
  }
}

}  // namespace

RoleChoice ChooseRole(const std::string& commandLine) {
  RoleChoice choice;
  // A switch is a word of the arguments that begins with "/": a slash inside
  // the program path ("C:/Tools/Kelvarion.exe") or inside a path argument
  // ("d:/saved/a.cbf") is none. Blanks and quotes lie below 0x40, so they are
  // never trail bytes of double-byte characters.
  std::size_t slash = FindChar(commandLine, '/', ProgramPathEnd(commandLine));
  while (slash != std::string::npos && !IsBlank(commandLine[slash - 1])) slash = FindChar(commandLine, '/', slash + 1);
  if (slash == std::string::npos) return choice;
  // A slash at the very end carries no letter: like any unknown letter.
  char letter = slash + 1 < commandLine.size() ? commandLine[slash + 1] : '\0';
  switch (letter) {
    case 'D':
    case 'C':
      choice.role = letter == 'D' ? Role::kConnectFolder : Role::kArchive;
      choice.argument = StripQuotes(TrimBlanks(commandLine.substr(slash + 2)));
      break;
    case 'F': choice.role = Role::kSearch; break;
    case 'L': choice.role = Role::kLock; break;
    default: choice.role = Role::kBadSwitch; break;
  }
  return choice;
}

std::string ClipboardFileArgument(const std::string& commandLine) {
  std::string lower = ToLower(commandLine);
  std::string marker = (!lower.empty() && lower.front() == '"') ? ".exe\"" : ".exe";
  std::size_t at = FindText(lower, marker);
  if (at == std::string::npos) return std::string();
  std::string rest = lower.substr(at + marker.size());
  std::size_t first = rest.find_first_not_of(' ');
  rest = first == std::string::npos ? std::string() : rest.substr(first);
  return StripQuotes(rest);
}

bool HasClipboardFileEnding(const std::string& argument) {
  return argument.size() >= 4 && ToLower(argument.substr(argument.size() - 4)) == ".cbf";
}

}  // namespace kelvarion
