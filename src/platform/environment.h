// What the core needs to know about the process and its user.
#pragma once

#include <string>

namespace kelvarion {

class Environment {
 public:
  virtual ~Environment() = default;
  // All code page 936 bytes. The executable path is in Windows form.
  virtual std::string ModulePath() = 0;
  virtual std::string ComputerName() = 0;
  virtual std::string UserName() = 0;
};

}  // namespace kelvarion
