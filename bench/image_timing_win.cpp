// The image conversions of image_bench, timed under Windows (Wine): the
// median of several runs each, and cjpeg.exe on the same file when its path
// is given (with its start-up measured on a 1x1 picture, to take it out).
// Usage: image_timing.exe [path\to\cjpeg.exe]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "image/dib.h"
#include "image/gif_file.h"
#include "image/image_convert.h"
#include "platform/win32/win32_ports.h"
#include "screenshot_image.h"
#include "win/text_win.h"

namespace {

using namespace kelvarion;

double MedianMs(int runs, const std::function<bool()>& step) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    // Not <chrono>: its micro sign has no code page 936 form.
    LARGE_INTEGER frequency, t0, t1;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&t0);
    if (!step()) return -1;
    QueryPerformanceCounter(&t1);
    times.push_back(1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(frequency.QuadPart));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

bool RunProcess(const std::wstring& commandLine) {
  std::wstring line = commandLine;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code == 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Win32FileSystem fs;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::string dir = Narrow(temp);
  const std::string bmp = dir + "kelvarion-timing.bmp", tiny = dir + "kelvarion-timing-1.bmp";
  const std::string gif = dir + "kelvarion-timing.gif", jpg = dir + "kelvarion-timing.jpg";
  const std::string out = dir + "kelvarion-timing-out";

  std::vector<std::uint8_t> rgb = bench::MakeScreenshot();
  CDib dib;
  MakeDibFromRgb(rgb.data(), 1920, 1080, dib);
  std::uint8_t one[3] = {1, 2, 3};
  CDib small;
  MakeDibFromRgb(one, 1, 1, small);
  if (!dib.Save(fs, bmp) || !small.Save(fs, tiny) || ConvertBmpToGif(fs, bmp, gif) != 0 ||
      ConvertBmpToJpeg(fs, bmp, jpg) != 0) {
    std::printf("could not write the test files in %s\n", dir.c_str());
    return 1;
  }
  const int runs = 15;
  std::printf("1920x1080 24-bit screen, median of %d runs\n", runs);
  std::printf("BMP to GIF   %8.2f ms\n", MedianMs(runs, [&] { return ConvertBmpToGif(fs, bmp, out + ".gif") == 0; }));
  std::printf("BMP to JPEG  %8.2f ms\n", MedianMs(runs, [&] { return ConvertBmpToJpeg(fs, bmp, out + ".jpg") == 0; }));
  std::printf("GIF to BMP   %8.2f ms\n", MedianMs(runs, [&] { return ConvertGifToBmp(fs, gif, out + "-g.bmp") == 0; }));
  std::printf("JPEG to BMP  %8.2f ms\n", MedianMs(runs, [&] { return ConvertJpegToBmp(fs, jpg, out + "-j.bmp") == 0; }));
  OctreeStats stats;
  double octree = MedianMs(runs, [&] { return !CreateOctreePalette(dib, 256, 8, &stats).empty(); });
  std::printf("octree       %8.2f ms, peak %zu leaves, %zu nodes, %zu bytes\n", octree, stats.peakLeaves,
              stats.peakNodes, stats.peakBytes);
  if (argc > 1) {
    const std::wstring cjpeg = L"\"" + std::wstring(argv[1]) + L"\" -quality 75 -outfile ";
    double full = MedianMs(runs, [&] { return RunProcess(cjpeg + L"\"" + Widen(out) + L"-c.jpg\" \"" + Widen(bmp) + L"\""); });
    double start = MedianMs(runs, [&] { return RunProcess(cjpeg + L"\"" + Widen(out) + L"-t.jpg\" \"" + Widen(tiny) + L"\""); });
    std::printf("cjpeg.exe    %8.2f ms (%.2f ms of it starting the process)\n", full, start);
  }
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  std::printf("peak working set %.1f MiB\n", counters.PeakWorkingSetSize / (1024.0 * 1024.0));
  for (const std::string& f : {bmp, tiny, gif, jpg, out + ".gif", out + ".jpg", out + "-g.bmp", out + "-j.bmp",
                               out + "-c.jpg", out + "-t.jpg"}) {
    fs.Remove(f);
  }
  return 0;
}
