// Arbitrary bytes as a settings file: every read, the section and key lists
// and a write must neither crash nor hang, and a write that reports success
// must read back as the value the system would return for it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "base/dbcs.h"
#include "base/ini.h"
#include "base/strings.h"
#include "platform/memory/memory_file_system.h"

namespace {

using namespace kelvarion;

// The value a read returns for what was written.
std::string Expected(const std::string& written) {
  std::string v = written.substr(0, written.find('\0'));
  v = Trim(v.substr(0, v.find_first_of("\r\n")), kBlanks);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  std::size_t keep = 0;
  while (keep < v.size() && keep + CharLength(v, keep) <= kMaxIniValue) keep += CharLength(v, keep);
  return v.substr(0, keep);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(24);
  const std::string key = input.ConsumeRandomLengthString(24);
  const std::string value = input.ConsumeRandomLengthString(64);
  const std::string other = input.ConsumeRandomLengthString(24);
  const std::string contents = input.ConsumeRemainingBytesAsString();

  MemoryFileSystem fs;
  const std::string file = "C:\\fuzz\\tessaryn.ini";
  fs.PutFile(file, contents);

  ReadIniStringRaw(fs, file, section, key);
  ReadIniStringRaw(fs, file, other, key);
  CTextList names;
  ReadIniSectionNames(fs, file, names);
  CTextList keys;
  ReadIniSectionKeys(fs, file, section, keys);
  for (const std::string& name : names.Items()) ReadIniSectionKeys(fs, file, name, keys);

  if (WriteIniString(fs, file, section, key, value) != 0) {
    if (ReadIniStringRaw(fs, file, section, key) != Expected(value)) std::abort();
  }
  ReadIniString(fs, file, other, key, value);
  if (WriteIniString(fs, file, section, other, value) != 0) {
    if (ReadIniStringRaw(fs, file, section, other) != Expected(value)) std::abort();
  }
  ReadIniSectionNames(fs, file, names);
  return 0;
}
