// The two libraries the program is linked with work in this build: a JPEG
// round trip through libjpeg-turbo and a SQLite database in a scratch file.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/test_support.h"

extern "C" {
#include <jpeglib.h>
}

namespace kelvarion {
namespace {

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void OnJpegError(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

constexpr int kWidth = 32, kHeight = 16;  // two whole 16x16 blocks side by side

// The library reports errors by jumping back here. setjmp stands alone as
// the condition of an if, as the language requires; the library's state
// lives in the caller, so nothing this frame changed after setjmp is read
// after the jump, and no object with a destructor lies between the two.
bool Compress(jpeg_compress_struct& c, JpegError& err, unsigned char* rgb, unsigned char** encoded,
              unsigned long* encodedSize) {
  c.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&c);
    return false;
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, encoded, encodedSize);
  c.image_width = kWidth;
  c.image_height = kHeight;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  // Full-resolution colour, so the sharp edge between the halves keeps its colours.
  c.comp_info[0].h_samp_factor = 1;
  c.comp_info[0].v_samp_factor = 1;
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = &rgb[c.next_scanline * kWidth * 3];
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return true;
}

// Decodes into `out` (kWidth x kHeight x 3); false when the library failed or
// the image is not of that size and kind.
bool Decompress(jpeg_decompress_struct& d, JpegError& err, const unsigned char* encoded, unsigned long encodedSize,
                unsigned char* out) {
  d.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = OnJpegError;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&d);
    return false;
  }
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, encoded, encodedSize);
  jpeg_read_header(&d, TRUE);
  jpeg_start_decompress(&d);
  if (d.output_width != static_cast<unsigned>(kWidth) || d.output_height != static_cast<unsigned>(kHeight) ||
      d.output_components != 3) {
    jpeg_destroy_decompress(&d);
    return false;
  }
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = &out[d.output_scanline * kWidth * 3];
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return true;
}

TEST(Dependencies, JpegRoundTripOfATinyImage) {
  std::vector<unsigned char> rgb(kWidth * kHeight * 3);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      unsigned char* p = &rgb[(y * kWidth + x) * 3];
      p[0] = x < kWidth / 2 ? 200 : 30;  // two flat halves survive compression well
      p[1] = 90;
      p[2] = x < kWidth / 2 ? 40 : 220;
    }

  unsigned char* encoded = nullptr;
  unsigned long encodedSize = 0;
  jpeg_compress_struct c{};
  JpegError compressError{};
  const bool compressed = Compress(c, compressError, rgb.data(), &encoded, &encodedSize);
  std::unique_ptr<unsigned char, decltype(&std::free)> encodedOwner(encoded, &std::free);
  ASSERT_TRUE(compressed) << "libjpeg failed while compressing";
  ASSERT_GT(encodedSize, 2u);
  EXPECT_EQ(encoded[0], 0xFF);
  EXPECT_EQ(encoded[1], 0xD8) << "a JPEG starts with SOI";

  std::vector<unsigned char> decoded(rgb.size());
  jpeg_decompress_struct d{};
  JpegError decompressError{};
  ASSERT_TRUE(Decompress(d, decompressError, encoded, encodedSize, decoded.data()))
      << "libjpeg failed while decompressing, or the image is not 32x16 RGB";
  int worst = 0;
  for (std::size_t i = 0; i < rgb.size(); ++i) worst = std::max(worst, std::abs(int(rgb[i]) - int(decoded[i])));
  EXPECT_LE(worst, 12) << "decoded pixels strayed too far from the original";
}

TEST(Dependencies, SqliteCreateInsertSelectInAScratchFile) {
  test::ScratchDir dir;
  // SQLite takes UTF-8 file names; the scratch path is ASCII.
  std::string path = dir.path() + "check.db";
#ifndef _WIN32
  for (char& c : path) if (c == '\\') c = '/';
#endif
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK) << sqlite3_errmsg(db);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(id INTEGER PRIMARY KEY, body TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_stmt* insert = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT INTO t(body) VALUES (?)", -1, &insert, nullptr), SQLITE_OK);
  const char* bodies[] = {"alpha", "\xE7\xB2\x98\xE8\xB4\xB4", "gamma"};  // the middle one is UTF-8 Chinese
  for (const char* body : bodies) {
    sqlite3_bind_text(insert, 1, body, -1, SQLITE_TRANSIENT);
    ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);

  sqlite3_stmt* select = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT body FROM t ORDER BY id", -1, &select, nullptr), SQLITE_OK);
  std::vector<std::string> got;
  while (sqlite3_step(select) == SQLITE_ROW) got.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)));
  sqlite3_finalize(select);
  EXPECT_EQ(got, (std::vector<std::string>{bodies[0], bodies[1], bodies[2]}));
  EXPECT_EQ(sqlite3_close(db), SQLITE_OK);
  // Every SQLite 3 database file begins with these 16 bytes, the zero included.
  EXPECT_EQ(test::ReadBytes(dir.path() + "check.db").substr(0, 16), std::string("SQLite format 3\0", 16))
      << "the file is not a SQLite database";
}

TEST(Dependencies, SqliteHasFullTextSearch) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, "CREATE VIRTUAL TABLE f USING fts5(body)", nullptr, nullptr, nullptr), SQLITE_OK)
      << "SQLite was built without FTS5: " << sqlite3_errmsg(db);
  sqlite3_close(db);
}

}  // namespace
}  // namespace kelvarion
