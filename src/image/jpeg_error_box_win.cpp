#include "image/jpeg_error_box_win.h"

#include <windows.h>

#include "win/text_win.h"

namespace kelvarion {

void ShowJpegFatalError(const std::string& message) {
  MessageBoxW(GetActiveWindow(), Widen(message).c_str(), L"JPEG Fatal Error", MB_OK | MB_ICONSTOP);
}

}  // namespace kelvarion
