// The clipboard-file viewer (dialog 114): what a ".cbf" file holds (its memo,
// the icon of its format set, every format with its size) with a check box
// per format; the ticked ones go back on the clipboard. "打开..." shows
// another file in the same dialog.
#pragma once

#include <windows.h>

#include <string>

#include "settings/shell_context_win.h"
#include "win/dialog.h"
#include "win/handles.h"

namespace kelvarion {

class CClipFileViewDlg : public Dialog {
 public:
  CClipFileViewDlg(ShellContext& context, std::string path) : context_(context), path_(std::move(path)) {}

  using Dialog::DoModal;
  INT_PTR DoModal(HWND parent = nullptr) { return Dialog::DoModal(parent, kResourceId, context_.instance); }

  // Fills the dialog from a clipboard file; a file of another kind or one
  // that cannot be read is told and leaves the dialog as it was.
  void LoadClipFile(const std::string& path);

  static constexpr int kResourceId = 114;

 protected:
  BOOL OnInitDialog() override;
  INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Enter does not close the viewer.
  void OnOK() override {}

 private:
  void OnCopyToClipboard();
  void OnOpen();
  void ShowPathMessage(const std::string& path, const char* caption);

  ShellContext& context_;
  std::string path_;
  std::string iconFile_;
  int iconIndex_ = 0;
  IconHandle bigIcon_;
  IconHandle shownIcon_;
};

// The viewer for a clipboard file named on the command line; returns when it
// is closed.
int RunClipFileViewer(ShellContext& context, const std::string& path);

}  // namespace kelvarion
