#include "desktop/screen_commands_win.h"

#include "desktop/region_select_dlg_win.h"
#include "desktop/screen_capture_win.h"

namespace kelvarion {

namespace {
// The common end of the captures: a copy that failed (copied != 0) is told
// and saves nothing.
void SaveCopiedImage(int copied, CByteBuffer& image, CaptureSaveContext& save) {
  if (copied != 0)
    save.notice.Show(kScreenCopyFailedMessage, save.caption, NoticeIcon::kStop);
  else
    SaveCaptureToHistory(save, image);
}
}  // namespace

void CaptureRectToHistory(HWND mainWindow, const RECT& rect, CaptureSaveContext& save) {
  const bool hidden = mainWindow && IsWindowVisible(mainWindow);
  if (hidden) ShowWindow(mainWindow, SW_HIDE);
  CByteBuffer image(0, &save.notice);
  const int copied = CaptureScreenRect(image, rect);
  if (hidden) ShowWindow(mainWindow, SW_SHOW);
  SaveCopiedImage(copied, image, save);
}

void CaptureWholeScreen(HWND mainWindow, CaptureSaveContext& save) {
  const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  CaptureRectToHistory(mainWindow, screen, save);
}

void CaptureRegion(HWND mainWindow, HINSTANCE instance, CaptureSaveContext& save) {
  const bool hidden = mainWindow && IsWindowVisible(mainWindow);
  if (hidden) ShowWindow(mainWindow, SW_HIDE);
  CRegionSelectDlg selection(instance);
  const INT_PTR result = selection.Run(mainWindow);
  CByteBuffer image(0, &save.notice);
  if (result == -1)
    SaveCopiedImage(kCaptureNoScreenDc, image, save);
  else if (result == IDOK && selection.HasSelection())
    SaveCopiedImage(selection.CopySelection(image), image, save);
  if (hidden) ShowWindow(mainWindow, SW_SHOW);
}

}  // namespace kelvarion
