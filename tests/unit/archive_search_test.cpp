// The indexed search of the archive gives exactly the rows of the plain LIKE
// scan, in the same order, for every kind of word the search window makes.
#include "archive/archive_search.h"

#include <gtest/gtest.h>

#include <random>

#include "archive/archive_database.h"
#include "base/codepage.h"
#include "support/test_support.h"

namespace kelvarion {
namespace {

using test::HostFileSystem;
using test::ScratchDir;

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// Rows that trip the differences between LIKE and the indexes: case folding
// beyond ASCII, wildcards and quotes in the texts, short texts, a character
// whose code page 936 trail byte is '\'.
const char8_t* const kFixedRows[] = {
    u8"床前明月光，疑是地上霜。举头望明月，低头思故乡。",
    u8"明月几时有？把酒问青天。不知天上宫阙，今夕是何年。",
    u8"北京大学的图书馆在北京市海淀区",
    u8"北 京 is not 北京, 北_京 and 北%京 are texts too",
    u8"說明：臺灣的繁體字與簡體字並存，乗り換え",
    u8"It's a test. IT'S LOUD. it's quiet. ITS own",
    u8"'single' and ''double'' quotes",
    u8"100% sure, 50%% off, a_b, a__b, A_B_C",
    u8"Hello World HELLO hello hElLo",
    u8"\u212Aelvin, written with the sign",  // folds onto k in the trigram index, not for LIKE
    u8"Kelvin in ASCII",
    u8"\u017Fss long s",
    u8"école in small letters",
    u8"ÉCOLE in capitals",
    u8"ＡＢＣ ａｂｃ full width",
    u8"的",
    u8"北京",
    u8"ab",
    u8"",
    u8"emoji 😀😀 and 𠀀𠀁 beyond the basic plane",
    u8"tab\there, line\r\nbreak",
};

// Pieces for the generated rows: common characters give long row lists.
const char8_t* const kPool[] = {
    u8"的", u8"是", u8"了", u8"我", u8"你", u8"他", u8"在", u8"有", u8"北京", u8"上海", u8"明月",
    u8"天上", u8"大学", u8"人民", u8"中华", u8"說明", u8"繁體", u8"IT'S", u8"it", u8"Ab", u8"aB",
    u8"%", u8"_", u8"'", u8" ", u8"，", u8"。", u8"x", u8"K", u8"\u212A", u8"s", u8"ſ",
};

struct Corpus {
  ScratchDir dir;
  CArchiveDatabase db;
};

void BuildCorpus(Corpus& c) {
  FileSystem& fs = HostFileSystem();
  ASSERT_EQ(c.db.Open(fs, c.dir.path() + "archive.db", CArchiveDatabase::OpenMode::kCreate), 0);
  ASSERT_TRUE(c.db.IsIndexComplete()) << "a new database starts with its index";
  std::mt19937 random(12);
  int n = 0;
  const auto addGenerated = [&](int count) {
    for (int i = 0; i < count; ++i) {
      std::string text;
      int pieces = 1 + static_cast<int>(random() % 12);
      for (int k = 0; k < pieces; ++k) text += U8(kPool[random() % std::size(kPool)]);
      ASSERT_GE(c.db.AddRow(std::to_string(++n), text, static_cast<int>(text.size())), 0);
    }
  };
  // Rows stored while the index is complete go into it at once.
  ASSERT_EQ(c.db.BeginWrite(), 0);
  for (const char8_t* row : kFixedRows) ASSERT_EQ(c.db.AddRow(std::to_string(++n), U8(row), 0), 1);
  addGenerated(700);
  ASSERT_EQ(c.db.Commit(), 0);
  ASSERT_TRUE(c.db.IsIndexComplete());

  // Rows another program adds behind the index's back: a NULL text, a zero
  // byte inside a text, bytes that are no UTF-8, a number.
  SqliteConnection& sql = c.db.connection();
  SqliteStatement insert;
  ASSERT_EQ(insert.Prepare(sql.get(), "INSERT INTO tessaryn(filename, filememo) VALUES ('x', ?1)"), SQLITE_OK);
  const std::string odd[] = {std::string("\xE5\x8C\x97\x00\xE4\xBA\xAC", 7), "\xE5\x8C\xE4\xBA\xAC\xC0\xAF\x80 bad",
                             "\xC2\x80\xE0\x82\x80 overlong"};
  for (const std::string& text : odd) {
    insert.Rewind();
    insert.BindText(1, text);
    ASSERT_EQ(insert.Step(), SQLITE_DONE);
  }
  insert.Rewind();
  insert.BindNull(1);
  ASSERT_EQ(insert.Step(), SQLITE_DONE);
  ASSERT_EQ(sql.Execute("INSERT INTO tessaryn(filename, filememo) VALUES ('y', 12345)"), SQLITE_OK);
  insert.reset();
  EXPECT_FALSE(c.db.IsIndexComplete()) << "rows added without the index leave it incomplete";
  addGenerated(300);
  EXPECT_EQ(c.db.IndexState().rowsToIndex, 305);

  int calls = 0;
  ASSERT_EQ(c.db.BuildSearchIndex([&](std::int64_t done, std::int64_t total) {
    EXPECT_LE(done, total);
    ++calls;
    return true;
  }),
            0);
  EXPECT_GE(calls, 2) << "the build tells its progress at the start and the end";
  ASSERT_TRUE(c.db.IsIndexComplete());
}

struct Query {
  const char* name;
  std::vector<std::string> words;
  bool indexed;  // the index must answer it (not the scan)
};

std::vector<Query> Queries() {
  const auto words = [](const char* text936) { return SearchWordsFromText(text936); };
  return {
      {"one common character", words("的"), true},
      {"two characters", words("北京"), true},
      {"three characters", words("明月光"), true},
      {"ten characters", words("床前明月光，疑是地上"), true},
      {"traditional characters", words("說明"), true},
      {"traditional, three", words("臺灣的"), true},
      {"trail byte 0x5C", words("乗"), true},
      {"apostrophe in a word", words("IT'S"), true},
      {"apostrophe alone", words("'"), true},
      {"doubled apostrophe", words("''"), true},
      {"ASCII, any case", words("HELLO"), true},
      {"ASCII, two letters", words("AB"), true},
      {"ASCII, one letter", words("K"), true},
      {"Kelvin sign is no K for LIKE", words("KELVIN"), true},
      {"long s is no s for LIKE", words("SSS"), true},
      {"no folding beyond ASCII", {U8(u8"ÉCOLE")}, true},
      {"full-width letters", {U8(u8"ＡＢＣ")}, true},
      {"beyond the basic plane", {U8(u8"😀😀")}, true},
      {"percent inside a word", words("北%京"), true},
      {"percent at the ends", words("%北京%"), true},
      {"percent between long pieces", words("明月%故乡"), true},
      {"underscore inside a word", words("北_京"), true},
      {"underscore in ASCII", words("A_B"), true},
      {"underscore after a common character", words("的_"), true},
      {"percent in the text", words("100%"), true},
      {"percent alone", words("%"), false},
      {"underscore alone", words("_"), false},
      {"two underscores", words("__"), false},
      {"several words", words("北京 大学"), true},
      {"several short words", words("的 是 了"), true},
      {"mixed words", words("HELLO WORLD 的"), true},
      {"empty word from doubled blanks", words("北京  大学"), true},
      {"empty word only", {""}, false},
      {"no hit", words("不存在的词语"), true},
      {"tab in a text", {"\t"}, true},
      {"zero byte", {std::string("\xE5\x8C\x97\x00", 4)}, false},
      {"a number stored by another program", words("234"), true},
  };
}

class ArchiveSearch : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    corpus_ = new Corpus;
    BuildCorpus(*corpus_);
  }
  static void TearDownTestSuite() {
    delete corpus_;
    corpus_ = nullptr;
  }
  static Corpus* corpus_;
};
Corpus* ArchiveSearch::corpus_ = nullptr;

TEST_F(ArchiveSearch, TableOfQueriesMatchesThePlainScan) {
  ASSERT_FALSE(HasFatalFailure());
  int withHits = 0;
  for (const Query& q : Queries()) {
    SearchResult found, scanned;
    ASSERT_EQ(FindArchivedRows(corpus_->db, q.words, found), 0) << q.name;
    ASSERT_EQ(ScanArchivedRows(corpus_->db, q.words, scanned), 0) << q.name;
    EXPECT_EQ(found.rowids, scanned.rowids) << q.name;
    EXPECT_EQ(found.indexed, q.indexed) << q.name;
    if (!scanned.rowids.empty()) ++withHits;
  }
  EXPECT_GE(withHits, 30) << "the corpus must give most queries something to find";
}

TEST_F(ArchiveSearch, FoldingTrapsAreFilteredByLike) {
  // Rows the trigram index finds but LIKE does not: the search must drop them.
  SearchResult kelvin, ecole;
  const std::vector<std::string> capitals = {U8(u8"ÉCOLE")};
  const std::string capitalsRow = U8(u8"ÉCOLE in capitals");
  ASSERT_EQ(FindArchivedRows(corpus_->db, {"KELVIN"}, kelvin), 0);
  ASSERT_EQ(FindArchivedRows(corpus_->db, capitals, ecole), 0);
  std::string text;
  ASSERT_EQ(kelvin.rowids.size(), 1u) << "one row holds the word in ASCII letters";
  ASSERT_EQ(corpus_->db.ReadMemo(kelvin.rowids[0], text), 0);
  EXPECT_EQ(text, "Kelvin in ASCII");
  ASSERT_EQ(ecole.rowids.size(), 1u) << "LIKE folds no letter beyond ASCII";
  ASSERT_EQ(corpus_->db.ReadMemo(ecole.rowids[0], text), 0);
  EXPECT_EQ(text, capitalsRow);
}

TEST_F(ArchiveSearch, RandomWordsFromTheTextsMatchThePlainScan) {
  // Pieces of the stored texts, with wildcards thrown in: every path of the
  // search (trigram only, pairs, the LIKE check, the fallback scan) is taken.
  std::mt19937 random(7);
  std::vector<std::string> texts;
  SearchResult all;
  ASSERT_EQ(ScanArchivedRows(corpus_->db, {""}, all), 0);
  for (std::int64_t rowid : all.rowids) {
    std::string t;
    corpus_->db.ReadMemo(rowid, t);
    if (!t.empty()) texts.push_back(t);
  }
  ASSERT_GT(texts.size(), 900u);
  for (int i = 0; i < 300; ++i) {
    std::vector<std::string> words;
    int count = 1 + static_cast<int>(random() % 3);
    for (int w = 0; w < count; ++w) {
      const std::string& t = texts[random() % texts.size()];
      std::vector<std::size_t> starts;
      for (std::size_t p = 0; p < t.size(); ++p) {
        if ((static_cast<unsigned char>(t[p]) & 0xC0) != 0x80) starts.push_back(p);
      }
      starts.push_back(t.size());
      std::size_t chars = 1 + random() % 5;
      std::size_t from = random() % (starts.size() - 1);
      std::size_t to = std::min(from + chars, starts.size() - 1);
      std::string word = t.substr(starts[from], starts[to] - starts[from]);
      if (random() % 4 == 0) word.insert(random() % (word.size() + 1), random() % 2 ? "%" : "_");
      words.push_back(word);
    }
    SearchResult found, scanned;
    ASSERT_EQ(FindArchivedRows(corpus_->db, words, found), 0);
    ASSERT_EQ(ScanArchivedRows(corpus_->db, words, scanned), 0);
    std::string shown;
    for (const std::string& w : words) shown += "[" + w + "]";
    ASSERT_EQ(found.rowids, scanned.rowids) << "words " << shown;
  }
}

TEST(ArchiveSearchWords, SplitAtEveryBlank) {
  EXPECT_EQ(SearchWordsFromText("A B"), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(SearchWordsFromText("A  B"), (std::vector<std::string>{"A", "", "B"}));
  EXPECT_EQ(SearchWordsFromText("北京"), (std::vector<std::string>{U8(u8"北京")})) << "converted to UTF-8";
  EXPECT_EQ(SearchWordsFromText("IT'S"), (std::vector<std::string>{"IT'S"})) << "a quote stays a quote";
  EXPECT_TRUE(SearchWordsFromText("").empty());
}

TEST(ArchiveSearchIndex, AnIndexMadeStaleByAnotherProgramIsRebuilt) {
  ScratchDir dir;
  CArchiveDatabase db;
  ASSERT_EQ(db.Open(HostFileSystem(), dir.path() + "a.db", CArchiveDatabase::OpenMode::kCreate), 0);
  ASSERT_EQ(db.AddRow("1", U8(u8"北京的秋天"), 10), 1);
  ASSERT_EQ(db.AddRow("2", U8(u8"上海的冬天"), 10), 1);
  ASSERT_TRUE(db.IsIndexComplete());
  // Another program edits a row the index holds.
  ASSERT_EQ(db.connection().Execute("UPDATE tessaryn SET filememo = 'changed' WHERE filename = '1'"), SQLITE_OK);
  EXPECT_FALSE(db.IsIndexComplete());
  SearchResult r;
  ASSERT_EQ(FindArchivedRows(db, {U8(u8"北京")}, r), 0);
  EXPECT_FALSE(r.indexed) << "an index that may be wrong is not used";
  EXPECT_TRUE(r.rowids.empty());
  ASSERT_EQ(db.BuildSearchIndex(), 0);
  ASSERT_EQ(FindArchivedRows(db, {U8(u8"北京")}, r), 0);
  EXPECT_TRUE(r.indexed);
  EXPECT_TRUE(r.rowids.empty()) << "the rebuilt index no longer holds the old text";
  ASSERT_EQ(FindArchivedRows(db, {"CHANGED"}, r), 0);
  EXPECT_EQ(r.rowids.size(), 1u);
}

TEST(ArchiveSearchIndex, ADatabaseWithoutIndexGetsItBuiltOnceAndAStoppedBuildGoesOn) {
  ScratchDir dir;
  const std::string path = dir.path() + "old.db";
  {
    // The table as an earlier version left it: rows, no index.
    SqliteConnection raw;
    ASSERT_EQ(raw.Open(SqliteFileName(path), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), SQLITE_OK);
    ASSERT_EQ(raw.Execute("CREATE TABLE tessaryn(filename, filememo, filetime, filelen)"), SQLITE_OK);
    ASSERT_EQ(raw.Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                          "INSERT INTO tessaryn SELECT i, 'row ' || i || ' ' || hex(randomblob(40)), NULL, 0 FROM n"),
              SQLITE_OK);
  }
  CArchiveDatabase db;
  ASSERT_EQ(db.Open(HostFileSystem(), path, CArchiveDatabase::OpenMode::kExisting), 0);
  SearchIndexState state = db.IndexState();
  EXPECT_FALSE(state.present);
  EXPECT_EQ(state.rowsToIndex, 20000);
  // Stopped after its first batch: what is built stays.
  std::int64_t stoppedAt = 0;
  ASSERT_EQ(db.BuildSearchIndex([&](std::int64_t done, std::int64_t) {
    stoppedAt = done;
    return done == 0;
  }),
            1);
  ASSERT_GT(stoppedAt, 0);
  ASSERT_LT(stoppedAt, 20000) << "batches are smaller than the whole table";
  state = db.IndexState();
  EXPECT_TRUE(state.present);
  EXPECT_EQ(state.rowsToIndex, 20000 - stoppedAt);
  ASSERT_EQ(db.BuildSearchIndex(), 0);
  EXPECT_TRUE(db.IsIndexComplete());
  SearchResult found, scanned;
  ASSERT_EQ(FindArchivedRows(db, {"ROW 1999 "}, found), 0);
  ASSERT_EQ(ScanArchivedRows(db, {"ROW 1999 "}, scanned), 0);
  EXPECT_TRUE(found.indexed);
  EXPECT_EQ(found.rowids, scanned.rowids);
  EXPECT_EQ(found.rowids.size(), 1u);
}

}  // namespace
}  // namespace kelvarion
