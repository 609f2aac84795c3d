#include "win/handles.h"

#include <commctrl.h>
#include <wininet.h>

namespace kelvarion::handle_traits {

void FreeImageList(_IMAGELIST* h) noexcept { ImageList_Destroy(h); }
void FreeInternet(void* h) noexcept { InternetCloseHandle(h); }

}  // namespace kelvarion::handle_traits
