// The first fill of the history list: listing, sorting and making unresolved
// rows for 10,000 and 100,000 history files, then resolving one screenful of
// rows, which is all the list view looks at before it is shown.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "base/strings.h"
#include "clip/format_list.h"
#include "history/history_rows.h"
#include "platform/posix/posix_ports.h"

namespace kelvarion {
namespace {

PosixFileSystem fs;

// A history directory of n text files (every tenth an image), made once.
// Removed again when the program ends.
struct MadeDirectories {
  std::map<int, std::string> byCount;
  ~MadeDirectories() {
    std::error_code ec;
    for (const auto& [n, dir] : byCount) std::filesystem::remove_all(HostPath(dir), ec);
  }
};

const std::string& HistoryDirectory(int n) {
  static MadeDirectories directories;
  std::map<int, std::string>& made = directories.byCount;
  auto found = made.find(n);
  if (found != made.end()) return found->second;
  std::string base = (std::filesystem::temp_directory_path() / "kelvarion-bench-XXXXXX").string();
  std::string dir = std::string(mkdtemp(base.data())) + "\\";
  const std::time_t start = 1700000000;
  for (int i = 0; i < n; ++i) {
    std::string name = MakeTimeStampName(start + i, 0) + (i % 10 == 9 ? ".bmp" : ".spt");
    if (std::FILE* f = std::fopen(HostPath(dir + name).c_str(), "wb")) {
      std::fprintf(f, "history text number %d\r\n\tsecond line", i);
      std::fclose(f);
    }
  }
  return made.emplace(n, dir).first->second;
}

void BM_FillHistoryRows(benchmark::State& state) {
  const std::string& dir = HistoryDirectory(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CHistoryRows rows;
    HistoryFill fill = FillHistoryRows(fs, dir, "", rows);
    benchmark::DoNotOptimize(fill);
    if (rows.GetCount() != state.range(0)) state.SkipWithError("not every file became a row");
  }
}

void BM_FillAndResolveOneScreen(benchmark::State& state) {
  const std::string& dir = HistoryDirectory(static_cast<int>(state.range(0)));
  CFormatListTable formats(fs, "C:\\Kelvarion.exe", dir);
  for (auto _ : state) {
    CHistoryRows rows;
    FillHistoryRows(fs, dir, "", rows);
    for (int i = 0; i < 50 && i < rows.GetCount(); ++i) {
      ResolveHistoryRow(fs, dir, "C:\\Kelvarion.exe", formats, *rows.At(i));
    }
  }
}

BENCHMARK(BM_FillHistoryRows)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillAndResolveOneScreen)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvarion

BENCHMARK_MAIN();
