#include "settings/about_box_win.h"

#include "res/resource_ids.h"
#include "settings/maker.h"
#include "win/fetch_url_win.h"
#include "win/text_win.h"

namespace kelvarion {

BOOL CAboutDlg::OnInitDialog() {
  makerLink_.SubclassDlgItem(IDC_ABOUT_MAKER, Hwnd());
  iconLink_.SubclassDlgItem(IDC_ABOUT_ICON, Hwnd());
  makerLink_.SetLink(std::string("mailto:") + kMakerMailAddress);
  iconLink_.SetLink(kMakerWebSite);
  SetDlgItemTextW(Hwnd(), IDC_ABOUT_MAKER, Widen(kMakerLine).c_str());

  const std::string host = app_.GetUpdateHost();
  std::string news;
  if (FetchUrlText(BuildUpdateUrl(host, app_.GetVersionText()), news, kUpdateAgent, "") < 0)
    news = UpdateUnreachableText(host);
  // Whatever the server says is shown as plain text in the edit box.
  SetDlgItemTextW(Hwnd(), IDC_ABOUT_NEWS, Widen(news).c_str());
  return TRUE;
}

INT_PTR CAboutDlg::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CTLCOLORSTATIC) {
    HWND control = reinterpret_cast<HWND>(lParam);
    HDC dc = reinterpret_cast<HDC>(wParam);
    if (control == makerLink_.Hwnd())
      if (HBRUSH brush = makerLink_.OnCtlColor(dc)) return reinterpret_cast<INT_PTR>(brush);
    if (control == iconLink_.Hwnd())
      if (HBRUSH brush = iconLink_.OnCtlColor(dc)) return reinterpret_cast<INT_PTR>(brush);
  }
  return Dialog::DialogProc(msg, wParam, lParam);
}

void ShowAboutBox(HWND owner, CTessarynApp& app) {
  CAboutDlg dialog(app);
  dialog.DoModal(owner);
}

}  // namespace kelvarion
