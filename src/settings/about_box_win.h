// The about box (dialog 100, "关于 Kelvarion"): name and version, the maker's
// line linking to a mail to the maker, the icon linking to the web site, and
// the news that the update server gives for this version, fetched each time
// the box opens (it opens once the server has answered or the fetch failed).
#pragma once

#include <windows.h>

#include <string>

#include "settings/settings.h"
#include "settings/static_link_win.h"
#include "win/dialog.h"

namespace kelvarion {

class CAboutDlg : public Dialog {
 public:
  explicit CAboutDlg(CTessarynApp& app) : app_(app) {}
  using Dialog::DoModal;
  INT_PTR DoModal(HWND owner) { return Dialog::DoModal(owner, kResourceId); }

  static constexpr int kResourceId = 100;

 protected:
  BOOL OnInitDialog() override;
  INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  CTessarynApp& app_;
  CStaticLink makerLink_;  // 1042: mail to the maker
  CStaticLink iconLink_;   // 1044: the web site
};

// Shows the about box modally over owner.
void ShowAboutBox(HWND owner, CTessarynApp& app);

}  // namespace kelvarion
