// The one way the program tells the user a fixed text ("Out of Memory.", a
// library's own message): the shell shows it in a message box, the tests
// record it. Whatever needs it is handed one, like any other port.
#pragma once

#include <string>

namespace kelvarion {

enum class NoticeIcon {
  kNone,
  kStop,  // something gave up: the JPEG library's errors
};

class UserNotice {
 public:
  virtual ~UserNotice() = default;
  // Text and caption are code page 936 bytes; an OK box on Windows.
  virtual void Show(const std::string& text, const std::string& caption, NoticeIcon icon) = 0;
};

}  // namespace kelvarion
