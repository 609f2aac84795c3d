// The command line comes from whoever starts the program: a shortcut, the
// shell with a clipboard file, the program itself for its secondary roles.
// Any line gets a role; the argument is a part of the line; and the lines the
// program builds for itself come back as the role and argument they carry.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/command_line.h"
#include "base/dbcs.h"
#include "fuzz_check.h"

namespace {

using namespace kelvarion;

// Bytes a Windows command line can hold that leave the quoting alone.
std::string Clean(std::string text, bool allowSlash) {
  std::string out;
  for (char c : text)
    if (c != '\0' && c != '"' && (allowSlash || c != '/')) out += c;
  return out;
}

// No lead byte left without its trail byte at the end: such a byte would take
// the closing quote along.
bool EndsWhole(const std::string& text) {
  std::size_t i = 0, last = 0;
  while (i < text.size()) last = i, i += CharLength(text, i);
  return text.empty() || CharLength(text, last) == 2 || !IsLeadByte(static_cast<unsigned char>(text[last]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const RoleChoice choice = ChooseRole(line);
  FUZZ_CHECK(line.find(choice.argument) != std::string::npos, "the argument is a part of the line");
  FUZZ_CHECK(choice.argument.empty() || choice.role == Role::kConnectFolder || choice.role == Role::kArchive,
             "only /D and /C carry an argument");
  FUZZ_CHECK(FindChar(line, '/') != std::string::npos || choice.role == Role::kResident,
             "a line without a switch starts the resident program");
  const std::string file = ClipboardFileArgument(line);
  FUZZ_CHECK(ToLower(file) == file && ToLower(line).find(file) != std::string::npos,
             "the clipboard file is a part of the lower-cased line");
  FUZZ_CHECK(HasClipboardFileEnding(file) == (file.size() >= 4 && ToLower(file.substr(file.size() - 4)) == ".cbf"),
             "a clipboard file is known by its ending");

  // The lines the program starts itself with: the quoted program path, then
  // the switch and its argument.
  FuzzedDataProvider input(data, size);
  const std::string exe = Clean(input.ConsumeRandomLengthString(200), false) + "\\Kelvarion.exe";
  const std::string section = Clean(input.ConsumeRandomLengthString(100), true);
  if (!EndsWhole(exe) || !EndsWhole(section)) return 0;
  const std::string quoted = "\"" + exe + "\"";
  const RoleChoice connect = ChooseRole(quoted + " /D \"" + section + "\"");
  FUZZ_CHECK(connect.role == Role::kConnectFolder && connect.argument == section, "/D takes its section back");
  const RoleChoice archive = ChooseRole(quoted + " /C201001021530");
  FUZZ_CHECK(archive.role == Role::kArchive && archive.argument == "201001021530", "/C takes its cut-off back");
  FUZZ_CHECK(ChooseRole(quoted + " /F").role == Role::kSearch && ChooseRole(quoted + " /L").role == Role::kLock,
             "/F and /L start their roles");
  FUZZ_CHECK(ChooseRole(quoted).role == Role::kResident, "the program path alone starts the resident program");
  // The shell's start with a clipboard file: the file, lower-cased.
  const std::string cbf = Clean(section, false) + ".cbf";
  if (EndsWhole(cbf) && FindText(ToLower(exe), ".exe\"") == std::string::npos) {
    const std::string start = quoted + " \"" + cbf + "\"";
    FUZZ_CHECK(ChooseRole(start).role == Role::kResident && ClipboardFileArgument(start) == ToLower(cbf),
               "a clipboard file given by the shell is found, lower-cased");
  }
  return 0;
}
