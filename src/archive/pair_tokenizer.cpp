#include "archive/pair_tokenizer.h"

#include <string>
#include <string_view>
#include <vector>

#include "archive/search_text.h"
#include "archive/sqlite_handle.h"

namespace kelvarion {

namespace {

// FTS5 makes one tokenizer per table and connection and calls it for one
// text at a time; it keeps its buffers from text to text.
struct PairTokenizer {
  std::vector<std::uint32_t> chars;
  std::vector<int> starts;  // byte offset of each character, and the end
  std::vector<std::uint64_t> seen;  // open addressing; 0 is a free slot
  std::string token;
};

int CreatePairTokenizer(void*, const char**, int argc, Fts5Tokenizer** out) {
  if (argc != 0) return SQLITE_ERROR;
  *out = reinterpret_cast<Fts5Tokenizer*>(new PairTokenizer);
  return SQLITE_OK;
}

void DeletePairTokenizer(Fts5Tokenizer* tokenizer) { delete reinterpret_cast<PairTokenizer*>(tokenizer); }

using TokenCallback = int (*)(void*, int, const char*, int, int, int);

// True the first time a key is seen in this text. Keys are never 0: a
// character is at least 1 (a zero byte ends the text), a pair is above 2^32.
bool FirstTime(std::vector<std::uint64_t>& table, std::uint64_t key) {
  std::size_t mask = table.size() - 1;
  std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
  while (table[slot] != 0) {
    if (table[slot] == key) return false;
    slot = (slot + 1) & mask;
  }
  table[slot] = key;
  return true;
}

int TokenizePairs(Fts5Tokenizer* tokenizer, void* context, int flags, const char* text, int length,
                  TokenCallback emit) {
  PairTokenizer& t = *reinterpret_cast<PairTokenizer*>(tokenizer);
  std::string_view view(text ? text : "", text ? static_cast<std::size_t>(length) : 0);
  t.chars.clear();
  t.starts.clear();
  std::size_t pos = 0;
  while (pos < view.size() && view[pos] != '\0') {
    t.starts.push_back(static_cast<int>(pos));
    t.chars.push_back(FoldLikeChar(ReadLikeChar(view, pos)));
  }
  t.starts.push_back(static_cast<int>(pos));
  const std::vector<std::uint32_t>& chars = t.chars;

  const auto emitToken = [&](std::size_t first, std::size_t count) {
    t.token.clear();
    for (std::size_t i = 0; i < count; ++i) AppendCharToken(t.token, chars[first + i]);
    return emit(context, 0, t.token.data(), static_cast<int>(t.token.size()), t.starts[first],
                t.starts[first + count]);
  };

  if (flags & FTS5_TOKENIZE_QUERY) {
    // A query phrase stands for one word: one token when it has one or two
    // characters. Longer phrases are never sent here.
    if (chars.size() == 1) return emitToken(0, 1);
    for (std::size_t i = 0; i + 1 < chars.size(); ++i) {
      if (int rc = emitToken(i, 2); rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
  }
  // Each token once per text: the index keeps no positions, and a text
  // repeats many of its characters and pairs.
  std::size_t size = 64;
  while (size < chars.size() * 4) size *= 2;
  t.seen.assign(size, 0);
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (FirstTime(t.seen, chars[i])) {
      if (int rc = emitToken(i, 1); rc != SQLITE_OK) return rc;
    }
    if (i + 1 < chars.size() && FirstTime(t.seen, std::uint64_t{chars[i]} << 32 | chars[i + 1])) {
      if (int rc = emitToken(i, 2); rc != SQLITE_OK) return rc;
    }
  }
  return SQLITE_OK;
}

fts5_api* Fts5Api(sqlite3* db) {
  fts5_api* api = nullptr;
  SqliteStatement s;
  if (s.Prepare(db, "SELECT fts5(?1)") != SQLITE_OK) return nullptr;
  sqlite3_bind_pointer(s.get(), 1, &api, "fts5_api_ptr", nullptr);
  s.Step();
  return api;
}

}  // namespace

int RegisterPairTokenizer(sqlite3* db) {
  fts5_api* api = Fts5Api(db);
  if (!api || api->iVersion < 2) return SQLITE_ERROR;
  fts5_tokenizer tokenizer{CreatePairTokenizer, DeletePairTokenizer, TokenizePairs};
  return api->xCreateTokenizer(api, kPairTokenizerName, nullptr, &tokenizer, nullptr);
}

}  // namespace kelvarion
