// The region capture's selection: a window over the whole primary screen
// showing a picture of it frozen when the window opened, on which the user
// drags a rectangle. The picture stays with the dialog, so the capture is cut
// from exactly what was selected.
#pragma once

#include <windows.h>

#include "base/byte_buffer.h"
#include "win/dialog.h"
#include "win/handles.h"

namespace kelvarion {

class CRegionSelectDlg : public Dialog {
 public:
  explicit CRegionSelectDlg(HINSTANCE instance);

  // IDOK when the mouse button went up after a press (the selection may
  // still be empty), IDCANCEL on Escape, -1 when the screen could not be
  // copied or the window not made.
  INT_PTR Run(HWND parent);

  // Screen coordinates (the window covers the primary screen from 0,0).
  const RECT& Selection() const { return selection_; }
  bool HasSelection() const { return selection_.right > selection_.left && selection_.bottom > selection_.top; }
  // The selection cut from the frozen picture as a capture image (the codes
  // of CopyDcToCaptureImage).
  int CopySelection(CByteBuffer& image) const;

 protected:
  INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;

 private:
  void DrawSelection() const;
  bool FreezeScreen();

  HINSTANCE instance_;
  HCURSOR cursor_;
  // The bitmap outlives the device context it is selected into.
  GdiObject<HBITMAP> pictureBitmap_;
  MemoryDcHandle picture_;
  int width_ = 0;
  int height_ = 0;
  int displayBits_ = 0;
  bool buttonDown_ = false;
  POINT anchor_ = {};
  RECT selection_ = {};
};

}  // namespace kelvarion
