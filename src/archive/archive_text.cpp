#include "archive/archive_text.h"

#include "archive/search_text.h"
#include "base/codepage.h"
#include "base/dbcs.h"
#include "base/history_text.h"

namespace kelvarion {

namespace {

std::string TextOfFile(std::string_view bytes) {
  constexpr std::size_t kBlock = 32768;
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size(); at += kBlock) {
    std::string_view block = bytes.substr(at, kBlock);
    text.append(block.substr(0, block.find('\0')));
  }
  return text;
}

}  // namespace

ArchiveText MakeArchiveText(std::string_view fileBytes) {
  ArchiveText out;
  std::string text = TextOfFile(fileBytes);
  out.lossy = text.size() != fileBytes.size();

  if (IsUtf8HistoryText(text)) {
    std::string_view body = std::string_view(text).substr(kUtf8Mark.size());
    std::size_t pos = 0;
    int length = 0;
    while (pos < body.size()) {
      std::size_t next = pos;
      ReadLikeChar(body, next);
      int width = next - pos == 1 ? 1 : 2;
      if (length + width > kMemoLimit) {
        out.cut = true;
        break;
      }
      length += width;
      pos = next;
    }
    out.filememo.assign(body.substr(0, pos));
    out.filelen = length;
    return out;
  }

  out.cut = text.size() > static_cast<std::size_t>(kMemoLimit);
  const std::string_view kept = CutOnCharacter(text, static_cast<std::size_t>(kMemoLimit));
  const std::size_t end = kept.size();
  out.filememo = Cp936ToUtf8(kept);
  out.filelen = static_cast<int>(end);
  // Bytes that are no character of the code page come back as '?': the
  // conversion lost them.
  if (!out.lossy && Utf8ToCp936(out.filememo) != kept) out.lossy = true;
  return out;
}

}  // namespace kelvarion
