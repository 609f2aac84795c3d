#include "archive/archive_search.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "archive/search_text.h"
#include "base/codepage.h"

namespace kelvarion {

namespace {

struct Piece {
  std::string text;
  std::size_t chars = 0;
};

struct WordPlan {
  std::vector<Piece> pieces;
  bool underscore = false;
  // The word means exactly LIKE '%piece%' for its one piece.
  bool single = false;
};

WordPlan PlanWord(const std::string& word) {
  WordPlan plan;
  std::string run;
  const auto endRun = [&] {
    if (!run.empty()) plan.pieces.push_back(Piece{run, LikeChars(run).size()});
    run.clear();
  };
  // '%' and '_' are single bytes that never occur inside a UTF-8 character.
  for (char c : word) {
    if (c == '%' || c == '_') {
      plan.underscore |= c == '_';
      endRun();
    } else {
      run.push_back(c);
    }
  }
  endRun();
  plan.single = plan.pieces.size() == 1 && !plan.underscore;
  return plan;
}

// Whether the trigram index decides a piece alone, and the characters that
// can still make it find a row LIKE does not (see TrigramFoldTrap).
bool TrigramExact(const Piece& piece, std::set<std::string>& traps) {
  std::set<std::string> found;
  for (std::uint32_t c : LikeChars(piece.text)) {
    if (!TrigramFoldsLikeLike(c)) return false;
    if (std::uint32_t trap = TrigramFoldTrap(c)) {
      std::string token;
      AppendCharToken(token, trap);
      found.insert(token);
    }
  }
  traps.insert(found.begin(), found.end());
  return true;
}

std::string Phrase(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string MatchExpression(const std::set<std::string>& pieces) {
  std::string out;
  for (const std::string& p : pieces) {
    if (!out.empty()) out += " AND ";
    out += Phrase(p);
  }
  return out;
}

int QueryIndex(SqliteConnection& db, const char* table, const std::set<std::string>& pieces,
               std::vector<std::int64_t>& rowids) {
  rowids.clear();
  std::string sql = std::string("SELECT rowid FROM ") + table + " WHERE " + table + " MATCH ?1 ORDER BY rowid";
  SqliteStatement s;
  if (s.Prepare(db.get(), sql) != SQLITE_OK) return CArchiveDatabase::kFailed;
  s.BindText(1, MatchExpression(pieces));
  for (;;) {
    int rc = s.Step();
    if (rc == SQLITE_DONE) return 0;
    if (rc != SQLITE_ROW) return CArchiveDatabase::kFailed;
    rowids.push_back(s.ColumnInt64(0));
  }
}

std::string LikePattern(const std::string& word) { return "%" + word + "%"; }

std::string LikeConditions(const std::vector<const std::string*>& words) {
  std::string sql;
  for (std::size_t i = 0; i < words.size(); ++i) {
    sql += " AND [filememo] LIKE ?" + std::to_string(i + 2);
  }
  return sql;
}

// Keeps the candidates whose text passes the LIKE of each word given.
int CheckCandidates(SqliteConnection& db, const std::vector<const std::string*>& words,
                    const std::vector<std::int64_t>& candidates, std::vector<std::int64_t>& hits) {
  SqliteStatement s;
  std::string sql = "SELECT 1 FROM tessaryn WHERE rowid = ?1" + LikeConditions(words);
  if (s.Prepare(db.get(), sql) != SQLITE_OK) return CArchiveDatabase::kFailed;
  std::vector<std::string> patterns;
  for (const std::string* w : words) patterns.push_back(LikePattern(*w));
  for (std::int64_t rowid : candidates) {
    sqlite3_reset(s.get());
    s.BindInt64(1, rowid);
    for (std::size_t i = 0; i < patterns.size(); ++i) s.BindText(static_cast<int>(i) + 2, patterns[i]);
    int rc = s.Step();
    if (rc == SQLITE_ROW) {
      hits.push_back(rowid);
    } else if (rc != SQLITE_DONE) {
      return CArchiveDatabase::kFailed;
    }
  }
  return 0;
}

// One read transaction around a search, so that all its statements see the
// same rows while an archive run adds some.
class ReadScope {
 public:
  explicit ReadScope(SqliteConnection& db) : db_(db) {
    if (sqlite3_get_autocommit(db_.get())) began_ = db_.Execute("BEGIN") == SQLITE_OK;
  }
  ~ReadScope() {
    if (began_) db_.Execute("COMMIT");
  }

 private:
  SqliteConnection& db_;
  bool began_ = false;
};

int Scan(SqliteConnection& db, const std::vector<std::string>& words, std::vector<std::int64_t>& rowids) {
  rowids.clear();
  std::string sql = "SELECT rowid FROM tessaryn";
  for (std::size_t i = 0; i < words.size(); ++i) {
    sql += (i == 0 ? " WHERE" : " AND");
    sql += " [filememo] LIKE ?" + std::to_string(i + 1);
  }
  SqliteStatement s;
  if (s.Prepare(db.get(), sql) != SQLITE_OK) return CArchiveDatabase::kFailed;
  for (std::size_t i = 0; i < words.size(); ++i) s.BindText(static_cast<int>(i) + 1, LikePattern(words[i]));
  for (;;) {
    int rc = s.Step();
    if (rc == SQLITE_DONE) return 0;
    if (rc != SQLITE_ROW) return CArchiveDatabase::kFailed;
    rowids.push_back(s.ColumnInt64(0));
  }
}

}  // namespace

std::vector<std::string> SearchWordsFromText(std::string_view text) {
  std::vector<std::string> words;
  if (text.empty()) return words;
  // A blank is a single byte, never part of a double-byte character.
  std::size_t start = 0;
  for (;;) {
    std::size_t blank = text.find(' ', start);
    words.push_back(Cp936ToUtf8(text.substr(start, blank == std::string_view::npos ? blank : blank - start)));
    if (blank == std::string_view::npos) break;
    start = blank + 1;
  }
  return words;
}

int ScanArchivedRows(CArchiveDatabase& db, const std::vector<std::string>& words, SearchResult& result) {
  result = SearchResult{};
  if (!db.IsOpen()) return CArchiveDatabase::kFailed;
  return Scan(db.connection(), words, result.rowids);
}

int FindArchivedRows(CArchiveDatabase& db, const std::vector<std::string>& words, SearchResult& result) {
  result = SearchResult{};
  if (!db.IsOpen()) return CArchiveDatabase::kFailed;
  SqliteConnection& connection = db.connection();
  ReadScope read(connection);

  std::vector<WordPlan> plans;
  std::set<std::string> trigramPieces, pairPieces;
  bool usable = db.IsIndexComplete();
  for (const std::string& word : words) {
    // A zero byte would end the LIKE pattern early: leave such a word to LIKE.
    if (word.find('\0') != std::string::npos) usable = false;
    plans.push_back(PlanWord(word));
    for (const Piece& p : plans.back().pieces) (p.chars >= 3 ? trigramPieces : pairPieces).insert(p.text);
  }
  if (!usable || (trigramPieces.empty() && pairPieces.empty())) {
    return Scan(connection, words, result.rowids);
  }
  result.indexed = true;

  // The trigram index first: when it leaves few rows, the LIKE check of those
  // is cheaper than reading a long list from the pair index.
  constexpr std::size_t kFewRows = 4096;
  std::vector<std::int64_t> candidates, pairRows;
  bool trigramUsed = !trigramPieces.empty(), pairsUsed = false;
  if (trigramUsed && QueryIndex(connection, "tessaryn_trigram", trigramPieces, candidates) != 0) {
    return CArchiveDatabase::kFailed;
  }
  if (!pairPieces.empty() && (!trigramUsed || candidates.size() > kFewRows)) {
    if (QueryIndex(connection, "tessaryn_pairs", pairPieces, pairRows) != 0) return CArchiveDatabase::kFailed;
    pairsUsed = true;
    if (trigramUsed) {
      std::vector<std::int64_t> both;
      std::set_intersection(candidates.begin(), candidates.end(), pairRows.begin(), pairRows.end(),
                            std::back_inserter(both));
      candidates = std::move(both);
    } else {
      candidates = std::move(pairRows);
    }
  }

  // Words the index lists decide alone; the others go through LIKE. A word
  // of the trigram index with a k or an s is decided except in the rows that
  // hold a Kelvin sign or a long s (the pair index finds those).
  std::vector<const std::string*> toCheck, trapWords;
  std::set<std::string> traps;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const WordPlan& plan = plans[i];
    bool decided;
    std::set<std::string> wordTraps;
    if (plan.pieces.empty()) {
      // Only '%' (or nothing): every text matches, and every indexed row has one.
      decided = !plan.underscore;
    } else if (!plan.single) {
      decided = false;
    } else if (plan.pieces[0].chars >= 3) {
      decided = TrigramExact(plan.pieces[0], wordTraps);
    } else {
      decided = pairsUsed;
    }
    if (!decided) {
      toCheck.push_back(&words[i]);
    } else if (!wordTraps.empty()) {
      trapWords.push_back(&words[i]);
      traps.insert(wordTraps.begin(), wordTraps.end());
    }
  }
  if (toCheck.empty() && trapWords.empty()) {
    result.rowids = std::move(candidates);
    return 0;
  }
  if (toCheck.empty()) {
    std::vector<std::int64_t> trapRows, some, suspects;
    for (const std::string& trap : traps) {
      if (QueryIndex(connection, "tessaryn_pairs", {trap}, some) != 0) return CArchiveDatabase::kFailed;
      std::vector<std::int64_t> merged;
      std::set_union(trapRows.begin(), trapRows.end(), some.begin(), some.end(), std::back_inserter(merged));
      trapRows = std::move(merged);
    }
    std::set_intersection(candidates.begin(), candidates.end(), trapRows.begin(), trapRows.end(),
                          std::back_inserter(suspects));
    std::vector<std::int64_t> passed;
    if (CheckCandidates(connection, trapWords, suspects, passed) != 0) return CArchiveDatabase::kFailed;
    // The candidates without the suspects that failed, still in row order.
    std::vector<std::int64_t> failed;
    std::set_difference(suspects.begin(), suspects.end(), passed.begin(), passed.end(), std::back_inserter(failed));
    std::set_difference(candidates.begin(), candidates.end(), failed.begin(), failed.end(),
                        std::back_inserter(result.rowids));
    return 0;
  }
  toCheck.insert(toCheck.end(), trapWords.begin(), trapWords.end());
  // Row by row the check pays only while the candidates are a small part of
  // the table; beyond that one pass over it is quicker.
  std::int64_t rows = connection.QueryInt64("SELECT max(rowid) FROM tessaryn", 0);
  if (static_cast<std::int64_t>(candidates.size()) > rows / 6 + static_cast<std::int64_t>(kFewRows)) {
    result.indexed = false;
    return Scan(connection, words, result.rowids);
  }
  return CheckCandidates(connection, toCheck, candidates, result.rowids);
}

}  // namespace kelvarion
