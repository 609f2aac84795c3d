// The few fixed texts the core itself must show ("Out of Memory.").
#pragma once

#include <string>

namespace kelvarion {

class UserNotice {
 public:
  virtual ~UserNotice() = default;
  // Text and caption are code page 936 bytes; an OK box on Windows.
  virtual void Show(const std::string& text, const std::string& caption) = 0;
};

}  // namespace kelvarion
