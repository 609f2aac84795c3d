// The small icons of the history rows, one image per (icon file, icon index),
// extracted once and then found again by position.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "base/text_list.h"
#include "win/handles.h"

namespace kelvarion {

class CIconCache {
 public:
  // A negative size means 16 pixels; flags of -1 mean 32-bit colour with a
  // mask. Other flags are the ILC_ values of ImageList_Create.
  explicit CIconCache(int iconSize = -1, int flags = -1);
  CIconCache(const CIconCache&) = delete;
  CIconCache& operator=(const CIconCache&) = delete;

  // Position of icon `index` of `file` (code page 936; names differing only in
  // the case of ASCII letters are the same file) in the image list, or -1 when
  // the file yields no such icon, in which case nothing is recorded.
  int GetIcon(const std::string& file, int index);
  void Clear();

  int GetCount() const { return files_.GetSize(); }
  int GetIconSize() const { return iconSize_; }
  // The list stays the cache's: a list view showing it needs
  // LVS_SHAREIMAGELISTS, or it would destroy the list when it goes.
  HIMAGELIST GetImageList() const { return images_.get(); }

 private:
  int iconSize_;
  ImageListHandle images_;
  // Parallel to the images: lower-cased file name and icon index.
  CTextList files_;
  CNumberList indices_;
};

}  // namespace kelvarion
