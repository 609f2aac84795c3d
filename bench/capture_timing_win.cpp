// Whole-screen capture into the history, timed under Windows (Wine): a
// window shows a made-up screen over the whole display, then for each format
// the median of several runs of the copy from the screen, of the save (the
// conversion and the file together) and of the whole command to the row.
// Usage: capture_timing.exe [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "desktop/capture_save.h"
#include "desktop/screen_capture_win.h"
#include "platform/win32/win32_ports.h"
#include "screenshot_image.h"
#include "win/text_win.h"

namespace {

using namespace kelvarion;

std::vector<std::uint8_t> screenPixels;  // bottom-up BGR rows for StretchDIBits
int screenWidth, screenHeight;

LRESULT CALLBACK ScreenProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), screenWidth, screenHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    StretchDIBits(dc, 0, 0, screenWidth, screenHeight, 0, 0, screenWidth, screenHeight, screenPixels.data(), &info,
                  DIB_RGB_COLORS, SRCCOPY);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

class NullSink : public HistorySink {
 public:
  int AddHistoryRow(const std::string&, const std::string& fileName, const std::string&, int, int) override {
    last = fileName;
    return 0;
  }
  std::string last;
};

class PrintNotice : public UserNotice {
 public:
  void Show(const std::string& text, const std::string&, NoticeIcon) override {
    std::fprintf(stderr, "notice: %s\n", text.c_str());
    failed = true;
  }
  bool failed = false;
};

double Ms(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 9;
  screenWidth = GetSystemMetrics(SM_CXSCREEN);
  screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const std::vector<std::uint8_t> rgb = bench::MakeScreenshot(screenWidth, screenHeight);
  const int row = (screenWidth * 3 + 3) / 4 * 4;
  screenPixels.assign(static_cast<std::size_t>(row) * screenHeight, 0);
  for (int y = 0; y < screenHeight; ++y)
    for (int x = 0; x < screenWidth; ++x) {
      const std::uint8_t* s = &rgb[(static_cast<std::size_t>(y) * screenWidth + x) * 3];
      std::uint8_t* d = &screenPixels[static_cast<std::size_t>(screenHeight - 1 - y) * row + x * 3];
      d[0] = s[2], d[1] = s[1], d[2] = s[0];
    }
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ScreenProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"KelvarionCaptureTiming";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"screen", WS_POPUP | WS_VISIBLE, 0, 0, screenWidth,
                                screenHeight, nullptr, nullptr, wc.hInstance, nullptr);
  UpdateWindow(window);
  // Until the made-up screen has reached the display: its middle pixel
  // shows on the screen (10 s at most).
  const int cx = screenWidth / 2, cy = screenHeight / 2;
  const std::uint8_t* want = &rgb[(static_cast<std::size_t>(cy) * screenWidth + cx) * 3];
  bool shown = false;
  for (const ULONGLONG deadline = GetTickCount64() + 10000; !shown && GetTickCount64() < deadline;) {
    Pump();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    HDC dc = GetDC(nullptr);
    const COLORREF got = GetPixel(dc, cx, cy);
    ReleaseDC(nullptr, dc);
    shown = got == RGB(want[0], want[1], want[2]);
  }
  if (!shown) std::fprintf(stderr, "the made-up screen did not show; timing the screen as it is\n");

  Win32FileSystem fs;
  Win32Clock clock;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::string directory = Narrow(temp) + "capture-timing\\";
  std::printf("whole screen %dx%d at %d bits, median of %d runs (ms)\n", screenWidth, screenHeight,
              ScreenBitsPerPixel(), runs);
  std::printf("%-5s %8s %8s %8s %10s\n", "type", "copy", "save", "total", "file bytes");
  int status = 0;
  for (const char* type : {"BMP", "JPG", "GIF"}) {
    std::vector<double> copies, saves, totals;
    long long bytes = 0;
    for (int i = 0; i < runs; ++i) {
      NullSink sink;
      PrintNotice notice;
      CHistoryStamps stamps;
      CaptureSaveContext save{fs, clock, directory, "Kelvarion.exe", type, sink, stamps, notice, ""};
      LARGE_INTEGER t0, t1, t2;
      QueryPerformanceCounter(&t0);
      CByteBuffer image;
      const RECT screen = {0, 0, screenWidth, screenHeight};
      if (CaptureScreenRect(image, screen) != 0) return 1;
      QueryPerformanceCounter(&t1);
      if (SaveCaptureToHistory(save, image) != CaptureSaveResult::kSaved || notice.failed) status = 1;
      QueryPerformanceCounter(&t2);
      copies.push_back(Ms(t0, t1));
      saves.push_back(Ms(t1, t2));
      totals.push_back(Ms(t0, t2));
      const std::string path = directory + sink.last;
      WIN32_FILE_ATTRIBUTE_DATA data;
      if (GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) bytes = data.nFileSizeLow;
      DeleteFileW(Widen(path).c_str());
    }
    std::printf("%-5s %8.1f %8.1f %8.1f %10lld\n", type, Median(copies), Median(saves), Median(totals), bytes);
  }
  RemoveDirectoryW(Widen(directory).c_str());
  DestroyWindow(window);
  return status;
}
