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

}  // namespace

RoleChoice ChooseRole(const std::string& commandLine) {
  RoleChoice choice;
  std::size_t slash = FindChar(commandLine, '/');
  if (slash == std::string::npos || slash == 0) return choice;
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
