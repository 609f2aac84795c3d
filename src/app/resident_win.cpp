#include "app/resident_win.h"

#include "app/main_frame_win.h"
#include "win/handles.h"
#include "win/text_win.h"

namespace kelvarion {

int RunResident(ShellContext& context) {
  const std::wstring title = Widen(context.app.GetMainWindowTitle());
  KernelHandle mutex(CreateMutexW(nullptr, FALSE, title.c_str()));
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (HWND running = FindWindowW(nullptr, title.c_str())) {
      ShowWindow(running, SW_SHOW);
      SetForegroundWindow(running);
    }
    return 0;
  }

  context.app.GetLocalDirectory();
  context.app.LoadStartupSettings();

  CMainFrame frame(context);
  if (!frame.CreateFrame()) return 0;
  frame.OnInitialUpdate();
  ShowWindow(frame.Hwnd(), SW_SHOW);
  if (context.app.IsMainMinimized()) {
    ShowWindow(frame.Hwnd(), SW_MINIMIZE);
  } else if (context.app.IsAutoHide()) {
    ShowWindow(frame.Hwnd(), SW_HIDE);
  }
  UpdateWindow(frame.Hwnd());

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (frame.PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace kelvarion
