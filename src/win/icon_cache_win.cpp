#include "win/icon_cache_win.h"

#include <shellapi.h>

#include <climits>
#include <cstdint>

#include "base/dbcs.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

constexpr int kDefaultIconSize = 16;
constexpr int kInitialImages = 8;
constexpr int kGrowBy = 2;

}  // namespace

CIconCache::CIconCache(int iconSize, int flags)
    : iconSize_(iconSize < 0 ? kDefaultIconSize : iconSize),
      images_(ImageList_Create(iconSize_, iconSize_, flags == -1 ? (ILC_COLOR32 | ILC_MASK) : static_cast<UINT>(flags),
                               kInitialImages, kGrowBy)) {}

int CIconCache::GetIcon(const std::string& file, int index) {
  std::string key = ToLower(file);
  auto wantedIndex = static_cast<std::uint32_t>(index);
  const auto& files = files_.Items();
  const auto& indices = indices_.Items();
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (indices[i] == wantedIndex && files[i] == key) return static_cast<int>(i);
  }
  // Index -1 asks the shell for the number of icons in the file, not for an
  // icon; other negative indices name an icon by its resource id.
  if (!images_ || index == -1) return -1;

  HICON large = nullptr;
  HICON small = nullptr;
  UINT extracted = ExtractIconExW(Widen(file).c_str(), index, &large, &small, 1);
  // On failure (0, or UINT_MAX for a missing file) the handles are not to be
  // trusted: Wine leaves stray values in them.
  if (extracted == 0 || extracted == UINT_MAX) return -1;
  IconHandle largeIcon(large);
  IconHandle smallIcon(small);
  // The file's own small picture looks better than a large one shrunk.
  const bool wantSmall = iconSize_ <= GetSystemMetrics(SM_CXSMICON);
  HICON chosen = wantSmall ? (small ? small : large) : (large ? large : small);
  if (!chosen) return -1;

  int position = ImageList_AddIcon(images_.get(), chosen);
  if (position < 0) return -1;
  files_.Add(key);
  indices_.Add(wantedIndex);
  return position;
}

void CIconCache::Clear() {
  if (images_) ImageList_RemoveAll(images_.get());
  files_.RemoveAll();
  indices_.RemoveAll();
}

}  // namespace kelvarion
