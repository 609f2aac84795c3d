#include "app/clipboard_viewer_chain_win.h"

namespace kelvarion {

void ClipboardViewerChain::Join() {
  if (joined_ || !window_) return;
  joined_ = true;
  next_ = SetClipboardViewer(window_);
}

void ClipboardViewerChain::Leave() {
  if (!joined_) return;
  ChangeClipboardChain(window_, next_ == window_ ? nullptr : next_);
  joined_ = false;
  next_ = nullptr;
}

void ClipboardViewerChain::ForwardChange() {
  if (!next_ || next_ == window_) return;
  DWORD_PTR result = 0;
  SendMessageTimeoutW(next_, WM_DRAWCLIPBOARD, 0, 0, SMTO_ABORTIFHUNG, kForwardTimeoutMs, &result);
}

void ClipboardViewerChain::OnChangeChain(HWND removed, HWND next) {
  if (removed == next_) {
    next_ = next;
  } else if (next_) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(next_, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(removed), reinterpret_cast<LPARAM>(next),
                        SMTO_ABORTIFHUNG, kForwardTimeoutMs, &result);
  }
}

}  // namespace kelvarion
