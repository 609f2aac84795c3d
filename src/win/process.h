// Starting other programs (and this one in another role) from the shell.
#pragma once

#include <windows.h>

#include <string>

namespace kelvarion {

// Starts a command line (code page 936) without waiting for it; directory,
// when not empty, is its working directory. False when it cannot be started.
bool StartProgram(const std::string& commandLine, int show, const std::string& directory = std::string());

// The file explorer by its full path in the Windows directory; empty when the
// system does not say where that is.
std::string ExplorerPath();

// This executable with a switch: the path in double quotes, so that a folder
// with blanks in its name cannot make another program run instead.
std::string OwnCommandLine(const std::string& exePath, const std::string& switchText);

}  // namespace kelvarion
