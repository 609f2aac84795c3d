// The search of the archive: the rows whose text matches
//   filememo LIKE '%word1%' AND filememo LIKE '%word2%' AND ...
// exactly as a LIKE scan of the table finds them, in row order, but answered
// through the search index:
//   - pieces of a word of three or more characters through the trigram index;
//   - pieces of one or two characters through the pair index, whose tokens
//     are each character and each pair of neighbouring characters;
//   - then the LIKE itself, on the candidate rows, wherever the indexes
//     alone do not decide: a '_' or '%' inside a word, several pieces in one
//     word, letters beyond ASCII (the trigram index folds their case, LIKE
//     does not), and, for a word with k or s, only the rows that hold a
//     Kelvin sign or a long s (which the trigram index folds onto k and s).
// The caller counts the hits at once and reads their texts when it shows
// them (CArchiveDatabase::ReadMemo), so a word found in half a million rows
// costs a list of row ids, not half a million texts.
// A "piece" is a run of a word between the wildcards '%' and '_', which keep
// their LIKE meaning.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_database.h"

namespace kelvarion {

// The words of a search text as the search window makes them (upper-cased,
// blanks folded): split at every blank, so doubled blanks give an empty word
// (which matches every text). The text is code page 936; the words are UTF-8.
std::vector<std::string> SearchWordsFromText(std::string_view text);

struct SearchResult {
  std::vector<std::int64_t> rowids;  // the hits, in row order; the count is their number
  bool indexed = false;              // answered through the index (else by a scan)
};

// 0, or CArchiveDatabase::kFailed. Uses the index when it is complete and the
// words give it something to look up; scans otherwise (a window builds the
// index first with CArchiveDatabase::BuildSearchIndex when IndexState says it
// is not complete). One read transaction: an archive run adding rows at the
// same time changes nothing of one search.
int FindArchivedRows(CArchiveDatabase& db, const std::vector<std::string>& words, SearchResult& result);
// The plain LIKE scan of the same conditions.
int ScanArchivedRows(CArchiveDatabase& db, const std::vector<std::string>& words, SearchResult& result);

}  // namespace kelvarion
