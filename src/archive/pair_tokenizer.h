// The tokenizer of the short-word index: for a text it gives every character
// and every pair of neighbouring characters, read and folded as LIKE reads
// and folds them. A one- or two-character word is then a single token whose
// row list is exactly the rows LIKE '%word%' matches.
#pragma once

#include <sqlite3.h>

namespace kelvarion {

inline constexpr const char* kPairTokenizerName = "kelvarion_pairs";

// Registers the tokenizer with the connection's FTS5 module. SQLITE_OK, or an
// error code when this SQLite has no FTS5.
int RegisterPairTokenizer(sqlite3* db);

}  // namespace kelvarion
