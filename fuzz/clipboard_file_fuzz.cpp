// Clipboard files come from disk and may be anything: every reader must refuse
// or read them without crashing, hanging or reserving what a length merely
// claims.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/text_list.h"
#include "clip/clipboard_file.h"
#include "platform/memory/memory_clipboard.h"
#include "platform/posix/posix_ports.h"

namespace {

// One scratch file per fuzzing process, removed when the process ends.
struct ScratchFile {
  std::string path = "/tmp/kelvarion-fuzz-" + std::to_string(getpid()) + ".cbf";
  ~ScratchFile() { unlink(path.c_str()); }
};

const std::string& InputPath() {
  static const ScratchFile file;
  return file.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kelvarion;
  PosixFileSystem files;
  {
    auto file = files.Open(InputPath(), OpenMode::kCreate);
    if (!file || file->Write(data, size) != size) return 0;
  }

  std::string memo;
  CTextList names;
  CNumberList sizes;
  ReadClipboardFileInfo(files, InputPath(), memo);
  const int count = ReadClipboardFileInfo(files, InputPath(), memo, &names, &sizes);
  if (count >= 0 && (names.GetSize() != count || sizes.GetSize() != count)) __builtin_trap();

  // Every other record, so that skipping and placing both run.
  std::string mask;
  for (int i = 0; i < names.GetSize(); ++i) mask += (i % 2 == 0) ? '0' : '1';
  MemoryClipboard clipboard;
  clipboard.PutText(1, "before");
  // Any window will do for the in-memory clipboard, as long as there is one.
  const ClipboardPort::Window owner = 1;
  RestoreClipboardFile(clipboard, files, InputPath(), owner, mask, std::string("Kelvarion-1\r\n\r\n0\r\n"));
  if (clipboard.IsOpen()) __builtin_trap();
  RestoreClipboardFile(clipboard, files, InputPath(), owner, std::string(names.GetSize(), '0'), std::nullopt);
  if (clipboard.IsOpen()) __builtin_trap();

  // The memo update must keep a sound file sound, with the same records.
  if (count >= 0 && SetClipboardFileMemo(files, InputPath(), "fuzz") == 0) {
    CTextList after;
    if (ReadClipboardFileInfo(files, InputPath(), memo, &after) != count || !(after == names) || memo != "fuzz") {
      __builtin_trap();
    }
  }
  return 0;
}
