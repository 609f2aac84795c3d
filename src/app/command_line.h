// Which role a process plays, read from its whole command line (program path
// included): the resident manager, a clipboard-file viewer, or one of the
// short-lived secondary processes the resident program starts.
#pragma once

#include <string>

namespace kelvarion {

enum class Role {
  kResident,       // no switch, no clipboard-file argument
  kConnectFolder,  // "/D" + "connect.ini" section
  kArchive,        // "/C" + 12-digit cut-off
  kSearch,         // "/F"
  kLock,           // "/L"
  kBadSwitch,      // any other letter: "Error Parm"
};

struct RoleChoice {
  Role role = Role::kResident;
  std::string argument;  // the section or cut-off, unquoted and trimmed
};

// The switch decides first; without one the role is resident, and the caller
// then looks at ClipboardFileArgument.
RoleChoice ChooseRole(const std::string& commandLine);

// The argument after the program path, unquoted, lower-cased (the comparison
// with ".cbf" is made on the lower-cased line); empty when the program path
// holds no ".exe".
std::string ClipboardFileArgument(const std::string& commandLine);

// True when the argument names a clipboard file by its ending.
bool HasClipboardFileEnding(const std::string& argument);

}  // namespace kelvarion
