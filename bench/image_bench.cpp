// The image conversions on a 1920x1080 screen-like picture, against
// ImageMagick's convert and libjpeg-turbo's cjpeg on the same file.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "image/dib.h"
#include "image/gif_file.h"
#include "image/image_convert.h"
#include "image/jpeg_file.h"
#include "platform/posix/posix_ports.h"
#include "screenshot_image.h"

namespace kelvarion {
namespace {

PosixFileSystem fs;

struct Files {
  std::string dir, bmp, ppm, tiny, gif, jpg, out;
};

const Files& Setup() {
  static const Files files = [] {
    Files f;
    std::string base = (std::filesystem::temp_directory_path() / "kelvarion-bench-XXXXXX").string();
    f.dir = std::string(mkdtemp(base.data())) + "/";
    f.bmp = f.dir + "screen.bmp";
    f.ppm = f.dir + "screen.ppm";
    f.tiny = f.dir + "tiny.bmp";
    f.gif = f.dir + "screen.gif";
    f.jpg = f.dir + "screen.jpg";
    f.out = f.dir + "out";
    std::vector<std::uint8_t> rgb = bench::MakeScreenshot();
    if (std::FILE* ppm = std::fopen(f.ppm.c_str(), "wb")) {
      std::fputs("P6\n1920 1080\n255\n", ppm);
      std::fwrite(rgb.data(), 1, rgb.size(), ppm);
      std::fclose(ppm);
    }
    CDib dib;
    MakeDibFromRgb(rgb.data(), 1920, 1080, dib);
    dib.Save(fs, f.bmp);
    std::uint8_t one[3] = {1, 2, 3};
    CDib small;
    MakeDibFromRgb(one, 1, 1, small);
    small.Save(fs, f.tiny);
    ConvertBmpToGif(fs, f.bmp, f.gif);
    ConvertBmpToJpeg(fs, f.bmp, f.jpg);
    return f;
  }();
  return files;
}

void Check(benchmark::State& state, bool ok) {
  if (!ok) state.SkipWithError("conversion failed");
}

void Run(benchmark::State& state, const std::string& command) {
  for (auto _ : state) Check(state, std::system((command + " >/dev/null 2>&1").c_str()) == 0);
}

void BM_BmpToGif(benchmark::State& state) {
  const Files& f = Setup();
  for (auto _ : state) Check(state, ConvertBmpToGif(fs, f.bmp, f.out + ".gif") == 0);
}
void BM_ImageMagickBmpToGif(benchmark::State& state) {
  const Files& f = Setup();
  Run(state, "/usr/bin/convert " + f.bmp + " " + f.out + "-magick.gif");
}
void BM_BmpToJpeg(benchmark::State& state) {
  const Files& f = Setup();
  for (auto _ : state) Check(state, ConvertBmpToJpeg(fs, f.bmp, f.out + ".jpg") == 0);
}
void BM_CjpegBmpToJpeg(benchmark::State& state) {
  const Files& f = Setup();
  Run(state, "/usr/bin/cjpeg -quality 75 -outfile " + f.out + "-cjpeg.jpg " + f.bmp);
}
// The same picture as PPM: cjpeg's cheapest input, nearest to the library alone.
void BM_CjpegPpmToJpeg(benchmark::State& state) {
  const Files& f = Setup();
  Run(state, "/usr/bin/cjpeg -quality 75 -outfile " + f.out + "-cjpeg-ppm.jpg " + f.ppm);
}
// cjpeg on a 1x1 picture: what starting the process costs.
void BM_CjpegStartOnly(benchmark::State& state) {
  const Files& f = Setup();
  Run(state, "/usr/bin/cjpeg -quality 75 -outfile " + f.out + "-tiny.jpg " + f.tiny);
}
void BM_GifToBmp(benchmark::State& state) {
  const Files& f = Setup();
  for (auto _ : state) Check(state, ConvertGifToBmp(fs, f.gif, f.out + "-g.bmp") == 0);
}
void BM_JpegToBmp(benchmark::State& state) {
  const Files& f = Setup();
  for (auto _ : state) Check(state, ConvertJpegToBmp(fs, f.jpg, f.out + "-j.bmp") == 0);
}

// The stages of BMP to GIF in memory.
void BM_OctreePalette(benchmark::State& state) {
  CDib dib;
  dib.Load(fs, Setup().bmp);
  OctreeStats stats;
  std::size_t colors = 0;
  for (auto _ : state) colors = CreateOctreePalette(dib, 256, 8, &stats).size();
  state.counters["colors"] = static_cast<double>(colors);
  state.counters["peak_leaves"] = static_cast<double>(stats.peakLeaves);
  state.counters["peak_nodes"] = static_cast<double>(stats.peakNodes);
  state.counters["peak_KiB"] = static_cast<double>(stats.peakBytes) / 1024;
}
void BM_ReduceTo8Bits(benchmark::State& state) {
  CDib dib;
  dib.Load(fs, Setup().bmp);
  for (auto _ : state) {
    CDib work(dib);
    Check(state, work.ConvertToBits(8));
  }
}
void BM_LzwEncode(benchmark::State& state) {
  CDib dib;
  dib.Load(fs, Setup().bmp);
  dib.ConvertToBits(8);
  std::vector<std::uint8_t> pixels = UnpadRows(dib.Bits(), 1920, 1080, 8);
  std::uint8_t table[256] = {};
  std::vector<std::uint8_t> out;
  for (auto _ : state) Check(state, EncodeGif(pixels.data(), 1920, 1080, 0, table, table, table, out));
  state.counters["gif_KiB"] = static_cast<double>(out.size()) / 1024;
}

void BM_PeakMemory(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(state.iterations());
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}

BENCHMARK(BM_BmpToGif)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageMagickBmpToGif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BmpToJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CjpegBmpToJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CjpegPpmToJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CjpegStartOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifToBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegToBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OctreePalette)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceTo8Bits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzwEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakMemory)->Iterations(1);

}  // namespace
}  // namespace kelvarion

BENCHMARK_MAIN();
