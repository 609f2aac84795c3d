// The shell's side of JPEG library errors: a stop box over the active window.
#pragma once

#include <string>

namespace kelvarion {

// A JpegErrorReporter: shows the library's message captioned "JPEG Fatal Error".
void ShowJpegFatalError(const std::string& message);

}  // namespace kelvarion
