// The ports backed by Win32: files, clock, environment, message boxes.
#pragma once

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/user_notice.h"

namespace kelvarion {

class Win32FileSystem : public FileSystem {
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

class Win32Clock : public Clock {
 public:
  ClockReading Now() override;
};

class Win32Environment : public Environment {
 public:
  std::string ModulePath() override;
  std::string ComputerName() override;
  std::string UserName() override;
};

// An OK box over the program's active window.
class MessageBoxUserNotice : public UserNotice {
 public:
  void Show(const std::string& text, const std::string& caption, NoticeIcon icon) override;
};

}  // namespace kelvarion
