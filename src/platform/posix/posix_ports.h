// The ports for the native build: the host's files, clock and environment.
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/memory/fixed_environment.h"  // FixedEnvironment, RecordingUserNotice for the native suites
#include "platform/user_notice.h"

namespace kelvarion {

// Maps the program's Windows-form paths onto the host: separators '\' become
// '/', and the code page 936 bytes become UTF-8.
std::string HostPath(const std::string& path);

class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  bool MakeDirectory(const std::string& path) override;
  bool ListDirectory(const std::string& directory, std::vector<std::string>& names) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool RenameNew(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
};

class PosixClock : public Clock {
 public:
  ClockReading Now() override;
};

}  // namespace kelvarion
