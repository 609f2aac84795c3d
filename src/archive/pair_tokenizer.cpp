#include "archive/pair_tokenizer.h"

#include <string>
#include <string_view>
#include <vector>

#include "archive/search_text.h"
#include "archive/sqlite_handle.h"

namespace kelvarion {

namespace {

// The tokenizer has no options and no state; FTS5 wants an object all the same.
struct PairTokenizer {};

int CreatePairTokenizer(void*, const char**, int argc, Fts5Tokenizer** out) {
  if (argc != 0) return SQLITE_ERROR;
  *out = reinterpret_cast<Fts5Tokenizer*>(new PairTokenizer);
  return SQLITE_OK;
}

void DeletePairTokenizer(Fts5Tokenizer* tokenizer) { delete reinterpret_cast<PairTokenizer*>(tokenizer); }

using TokenCallback = int (*)(void*, int, const char*, int, int, int);

int TokenizePairs(Fts5Tokenizer*, void* context, int flags, const char* text, int length, TokenCallback emit) {
  std::string_view view(text ? text : "", text ? static_cast<std::size_t>(length) : 0);
  // Byte offsets of each character, for FTS5's start and end arguments.
  std::vector<std::uint32_t> chars;
  std::vector<int> starts;
  std::size_t pos = 0;
  while (pos < view.size() && view[pos] != '\0') {
    starts.push_back(static_cast<int>(pos));
    chars.push_back(FoldLikeChar(ReadLikeChar(view, pos)));
  }
  starts.push_back(static_cast<int>(pos));

  std::string token;
  const auto emitToken = [&](std::size_t first, std::size_t count) {
    token.clear();
    for (std::size_t i = 0; i < count; ++i) AppendCharToken(token, chars[first + i]);
    return emit(context, 0, token.data(), static_cast<int>(token.size()), starts[first], starts[first + count]);
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
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (int rc = emitToken(i, 1); rc != SQLITE_OK) return rc;
    if (i + 1 < chars.size()) {
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
