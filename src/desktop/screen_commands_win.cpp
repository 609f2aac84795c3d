#include "desktop/screen_commands_win.h"

#include "desktop/region_select_dlg_win.h"
#include "desktop/screen_capture_win.h"

namespace kelvarion {

void CaptureRectToHistory(HWND mainWindow, const RECT& rect, CaptureSaveContext& save) {
  const bool hidden = mainWindow && IsWindowVisible(mainWindow);
  if (hidden) ShowWindow(mainWindow, SW_HIDE);
  CByteBuffer image(0, &save.notice);
  const int copied = CaptureScreenRect(image, rect);
  if (hidden) ShowWindow(mainWindow, SW_SHOW);
  if (copied != 0) {
    save.notice.Show(kScreenCopyFailedMessage, save.caption, NoticeIcon::kStop);
    return;
  }
  SaveCaptureToHistory(save, image);
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
  if (result == -1) {
    save.notice.Show(kScreenCopyFailedMessage, save.caption, NoticeIcon::kStop);
  } else if (result == IDOK && selection.HasSelection()) {
    CByteBuffer image(0, &save.notice);
    if (selection.CopySelection(image) == 0)
      SaveCaptureToHistory(save, image);
    else
      save.notice.Show(kScreenCopyFailedMessage, save.caption, NoticeIcon::kStop);
  }
  if (hidden) ShowWindow(mainWindow, SW_SHOW);
}

}  // namespace kelvarion
