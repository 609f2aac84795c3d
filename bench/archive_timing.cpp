// Timings of the archive, natively and under Wine from the same source:
//   history <work dir> <count>      makes a history directory of count old texts
//   archive <work dir>              times archive mode on it
//   corpus <db> <fortune files...>  builds the search corpus once: 1,000,000
//                                   rows of about 200 characters of Chinese
//                                   text with ASCII mixed in, then its index
//   search <db>                     the indexed search against the plain LIKE
//                                   scan of the same table, word by word
// Paths are in the program's form: "C:\dir\" under Windows, "/dir\" natively.
// This file is compiled with a UTF-8 execution character set (see
// CMakeLists.txt): its words are UTF-8, as the search takes them, and it may
// use <chrono>.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "archive/archive_database.h"
#include "archive/archive_run.h"
#include "archive/archive_search.h"
#include "archive/search_text.h"
#include "base/codepage.h"
#include "base/file_utils.h"
#include "base/strings.h"
#ifdef _WIN32
#include "platform/win32/win32_ports.h"
using HostFileSystem = kelvarion::Win32FileSystem;
constexpr const char* kPlatform = "Wine";
#else
#include "platform/posix/posix_ports.h"
using HostFileSystem = kelvarion::PosixFileSystem;
constexpr const char* kPlatform = "native";
#endif

namespace {

using namespace kelvarion;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The program's path as the host's file functions take it.
std::filesystem::path Host(const std::string& path) {
#ifdef _WIN32
  return std::filesystem::path(path);
#else
  return std::filesystem::path(HostPath(path));
#endif
}

std::uintmax_t FileSize(const std::string& path) {
  std::error_code ec;
  std::uintmax_t size = std::filesystem::file_size(Host(path), ec);
  return ec ? 0 : size;
}

void RemoveDatabase(const std::string& path) {
  std::error_code ec;
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(Host(path + suffix), ec);
}

// --- archive mode -----------------------------------------------------------

// A history text of about 200 characters in code page 936, as capture writes them.
std::string SampleText(std::mt19937& random, int i) {
  static const char* const kPieces[] = {"北京", "的", "历史记录", "剪贴板", "Kelvarion ", "it's ", "测试文字",
                                        "，", "。", "\r\n", "床前明月光", "Hello World ", "数据库"};
  std::string utf8 = "item " + std::to_string(i) + " ";
  while (utf8.size() < 480) utf8 += kPieces[random() % std::size(kPieces)];
  return Utf8ToCp936(utf8);
}

// A fresh history directory <work dir>\CPasteClipboard\ of count old texts.
// Made by a process of its own: under Wine, files a process has just created
// are slow for that same process to delete, which no archive run meets.
int MakeHistory(const std::string& workDirectory, int count) {
  HostFileSystem fs;
  const std::string root = AddTrailingBackslash(workDirectory);
  std::error_code ec;
  std::filesystem::remove_all(Host(root), ec);
  const std::string history = root + "CPasteClipboard\\";
  CreateDirectoryPath(fs, history);
  std::mt19937 random(count);
  const std::time_t start = 1700000000;  // November 2023: old against the cut-off of the run
  for (int i = 0; i < count; ++i) {
    if (WriteTextFile(fs, history + MakeTimeStampName(start + i, 0) + ".spt", SampleText(random, i)) != 0) {
      std::fprintf(stderr, "cannot write the history files under %s\n", history.c_str());
      return 1;
    }
  }
  return 0;
}

int RunArchive(const std::string& workDirectory) {
  HostFileSystem fs;
  const std::string root = AddTrailingBackslash(workDirectory);
  const std::string history = root + "CPasteClipboard\\";
  CTextList before;
  ListFiles(fs, history, before);
  ArchiveSettings settings;
  settings.historyDirectory = history;
  settings.databasePath = root + "tessaryn.mdb";
  RemoveDatabase(settings.databasePath);
  ArchiveReport report;
  Clock::time_point t0 = Clock::now();
  int rc = ArchiveOldHistory(fs, settings, "202401010000", &report);
  double ms = MsSince(t0);
  CTextList left;
  ListFiles(fs, history, left);
  std::printf("archive %d old texts (%s): %.0f ms  (result %d, stored %d, deleted %d, files left %d, database %.1f MB)\n",
              before.GetSize(), kPlatform, ms, rc, report.textsStored, report.textsDeleted, left.GetSize(),
              static_cast<double>(FileSize(settings.databasePath)) / 1e6);
  return rc == 1 && report.textsStored == before.GetSize() && left.GetSize() == 0 ? 0 : 1;
}

// --- the search corpus --------------------------------------------------------

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The fortunes as one stream of text: entries joined, colour escapes out.
std::string FortuneText(const std::vector<std::string>& files) {
  std::string all;
  for (const std::string& file : files) {
    std::string raw = ReadFile(file);
    std::istringstream lines(raw);
    std::string line;
    while (std::getline(lines, line)) {
      if (line == "%") {
        all += "\n";
        continue;
      }
      std::string clean;
      for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\x1b') {
          while (i < line.size() && !std::isalpha(static_cast<unsigned char>(line[i]))) ++i;
          continue;
        }
        clean.push_back(line[i]);
      }
      all += clean + "\n";
    }
  }
  return all;
}

struct Sizes {
  long long rows = 0, tableBytes = 0, indexedBytes = 0;
  double insertSeconds = 0, indexSeconds = 0;
};

std::string SizesPath(const std::string& db) { return db + ".sizes"; }

bool ReadSizes(const std::string& db, Sizes& sizes) {
  std::ifstream in(Host(SizesPath(db)));
  return static_cast<bool>(in >> sizes.rows >> sizes.tableBytes >> sizes.indexedBytes >> sizes.insertSeconds >>
                           sizes.indexSeconds);
}

int BuildCorpus(const std::string& db, const std::vector<std::string>& files) {
  Sizes sizes;
  if (ReadSizes(db, sizes) && FileSize(db) > 0) {
    std::printf("corpus: %s is there (%lld rows), kept\n", db.c_str(), sizes.rows);
    return 0;
  }
  std::string text = FortuneText(files);
  std::vector<std::size_t> starts;  // every character's first byte
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  if (starts.size() < 10000) {
    std::fprintf(stderr, "corpus: too little text in the fortune files\n");
    return 1;
  }
  std::printf("corpus: %zu characters of fortune text\n", starts.size());
  static const char* const kAscii[] = {"Hello World", "it's", "IT'S A TEST", "https://www.debian.org/", "Kelvarion 1.20",
                                       "E-mail: user@example.com", "Windows 10", "QQ 12345678", "OK", "SELECT * FROM",
                                       "C:\\Program Files\\", "100%", "a_b", "GNU/Linux", "Ctrl+V"};

  RemoveDatabase(db);
  std::filesystem::create_directories(Host(db).parent_path());
  HostFileSystem fs;
  CArchiveDatabase archive;
  if (archive.Open(fs, db, CArchiveDatabase::OpenMode::kCreate) != 0 || archive.DropSearchIndex() != 0) {
    std::fprintf(stderr, "corpus: cannot create %s\n", db.c_str());
    return 1;
  }
  // The rows as an earlier version would have left them: no index yet.
  constexpr long long kRows = 1000000;
  Clock::time_point t0 = Clock::now();
  SqliteConnection& sql = archive.connection();
  sql.Execute("BEGIN");
  SqliteStatement insert;
  insert.Prepare(sql.get(), "INSERT INTO tessaryn(filename, filememo, filetime, filelen) VALUES (?1, ?2, NULL, ?3)");
  std::mt19937_64 random(2024);
  for (long long i = 0; i < kRows; ++i) {
    std::size_t chars = 100 + random() % 201;
    std::size_t from = random() % (starts.size() - chars - 1);
    std::string row = text.substr(starts[from], starts[from + chars] - starts[from]);
    if (random() % 10 < 3) {
      std::size_t at = starts[from + random() % chars] - starts[from];
      row.insert(at, std::string(" ") + kAscii[random() % std::size(kAscii)] + " ");
    }
    int width = 0;
    for (std::size_t p = 0; p < row.size();) {
      std::size_t next = p;
      ReadLikeChar(row, next);
      width += next - p == 1 ? 1 : 2;
      p = next;
    }
    insert.Rewind();
    insert.BindText(1, MakeTimeStampName(1600000000 + i, 0));
    insert.BindText(2, row);
    insert.BindInt64(3, width);
    if (insert.Step() != SQLITE_DONE) {
      std::fprintf(stderr, "corpus: insert failed: %s\n", sql.LastError().c_str());
      return 1;
    }
  }
  insert.reset();
  sql.Execute("COMMIT");
  sql.Execute("PRAGMA wal_checkpoint(TRUNCATE)");
  sizes.rows = kRows;
  sizes.insertSeconds = MsSince(t0) / 1000;
  sizes.tableBytes = static_cast<long long>(FileSize(db));
  std::printf("corpus: %lld rows inserted in %.1f s, %.0f MB\n", kRows, sizes.insertSeconds, sizes.tableBytes / 1e6);

  t0 = Clock::now();
  int lastTenth = -1;
  int rc = archive.BuildSearchIndex([&](std::int64_t done, std::int64_t total) {
    int tenth = total ? static_cast<int>(done * 10 / total) : 10;
    if (tenth != lastTenth) {
      std::printf("  index: %lld of %lld rows, %.0f s\n", static_cast<long long>(done), static_cast<long long>(total),
                  MsSince(t0) / 1000);
      std::fflush(stdout);
      lastTenth = tenth;
    }
    return true;
  });
  if (rc != 0) {
    std::fprintf(stderr, "corpus: index build failed: %s\n", sql.LastError().c_str());
    return 1;
  }
  sizes.indexSeconds = MsSince(t0) / 1000;
  sql.Execute("PRAGMA wal_checkpoint(TRUNCATE)");
  sizes.indexedBytes = static_cast<long long>(FileSize(db));
  archive.Close();
  std::ofstream out(Host(SizesPath(db)));
  out << sizes.rows << " " << sizes.tableBytes << " " << sizes.indexedBytes << " " << sizes.insertSeconds << " "
      << sizes.indexSeconds << "\n";
  std::printf("corpus: index built in %.0f s, %.0f MB\n", sizes.indexSeconds, sizes.indexedBytes / 1e6);
  return 0;
}

// --- the search ---------------------------------------------------------------

struct Word {
  const char* text;  // UTF-8, as the search window hands it on after upper-casing
  const char* kind;
  double limitMs;
};

int RunSearch(const std::string& db) {
  HostFileSystem fs;
  CArchiveDatabase archive;
  if (archive.Open(fs, db, CArchiveDatabase::OpenMode::kExisting) != 0 || !archive.IsIndexComplete()) {
    std::fprintf(stderr, "search: %s is missing or has no complete index (run the corpus step)\n", db.c_str());
    return 1;
  }
  Sizes sizes;
  if (ReadSizes(db, sizes)) {
    std::printf("database: %lld rows; %.0f MB without the indexes, %.0f MB with them (indexes %.0f MB); "
                "insert %.1f s, index build %.0f s (native)\n",
                sizes.rows, sizes.tableBytes / 1e6, sizes.indexedBytes / 1e6,
                (sizes.indexedBytes - sizes.tableBytes) / 1e6, sizes.insertSeconds, sizes.indexSeconds);
  }
  const Word words[] = {
      {"明月光", "3 chars", 50},
      {"不知道", "3 chars", 50},
      {"自由软件", "4 chars", 50},
      {"DEBIAN", "6 ASCII", 50},
      {"IT'S", "4, quote", 50},
      {"床前明月光，疑是地上", "10 chars", 50},
      {"HELLO WORLD", "2 words", 50},
      {"的", "1 char", 300},
      {"天", "1 char", 300},
      {"A", "1 ASCII", 300},
      {"北京", "2 chars", 300},
      {"明月", "2 chars", 300},
      {"软件", "2 chars", 300},
      {"IT", "2 ASCII", 300},
      {"的 是", "2 words", 300},
      {"明月 故乡", "2 words", 300},
      {"明%光", "% inside", 300},
      {"北_京", "_ inside", 300},
  };
  std::printf("%-22s %-9s %8s %10s %10s %10s %8s %s\n", "words", "kind", "hits", "first ms", "median ms", "scan ms",
              "ratio", "");
  bool allWithin = true;
  for (const Word& w : words) {
    std::vector<std::string> list;
    std::string text = w.text;
    for (std::size_t start = 0;;) {
      std::size_t blank = text.find(' ', start);
      list.push_back(text.substr(start, blank == std::string::npos ? blank : blank - start));
      if (blank == std::string::npos) break;
      start = blank + 1;
    }
    std::vector<double> times;
    SearchResult found;
    for (int run = 0; run < 5; ++run) {
      Clock::time_point t0 = Clock::now();
      if (FindArchivedRows(archive, list, found) != 0) return 1;
      times.push_back(MsSince(t0));
    }
    double first = times[0];
    std::sort(times.begin(), times.end());
    SearchResult scanned;
    Clock::time_point t0 = Clock::now();
    if (ScanArchivedRows(archive, list, scanned) != 0) return 1;
    double scanMs = MsSince(t0);
    bool same = found.rowids == scanned.rowids;
    // The limit holds for the first search as well as for repeated ones.
    bool within = std::max(first, times[2]) <= w.limitMs;
    allWithin &= within && same;
    std::printf("%-22s %-9s %8zu %10.2f %10.2f %10.0f %7.0fx %s%s%s\n", w.text, w.kind, found.rowids.size(), first,
                times[2], scanMs,
                scanMs / std::max(times[2], 0.01), same ? "" : "DIFFERENT ROWS ", found.indexed ? "" : "(scan) ",
                within ? "" : "OVER THE LIMIT");
  }
  // What a search window does next: the texts of the first screenful of hits.
  SearchResult many;
  FindArchivedRows(archive, {"的"}, many);
  Clock::time_point t0 = Clock::now();
  std::string memo;
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < 200 && i < many.rowids.size(); ++i) {
    archive.ReadMemo(many.rowids[i], memo);
    bytes += memo.size();
  }
  std::printf("texts of the first 200 of %zu hits: %.1f ms (%zu bytes)\n", many.rowids.size(), MsSince(t0), bytes);
  std::printf("search (%s): %s\n", kPlatform, allWithin ? "every word within its limit, same rows as the scan"
                                                        : "SOME WORD OVER ITS LIMIT OR DIFFERENT");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "history") return MakeHistory(args[1], std::atoi(args[2].c_str()));
  if (args.size() == 2 && args[0] == "archive") return RunArchive(args[1]);
  if (args.size() >= 3 && args[0] == "corpus") {
    return BuildCorpus(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
  }
  if (args.size() == 2 && args[0] == "search") return RunSearch(args[1]);
  std::fprintf(stderr,
               "usage: archive_timing history <work dir> <count> | archive <work dir> | corpus <db> <fortune files...> | search <db>\n");
  return 2;
}
