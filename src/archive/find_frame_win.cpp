#include "archive/find_frame_win.h"

#include <commctrl.h>

#include <algorithm>

#include "res/resource_ids.h"
#include "settings/about_box_win.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

constexpr wchar_t kFrameClass[] = L"KelvarionFindFrame";
constexpr int kTreeId = 0xE900;
constexpr int kTextId = 0xE901;
constexpr int kRebarId = 0xE81B;
constexpr int kSplitterWidth = 5;

}  // namespace

INT_PTR CFindBar::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
      // Enter comes as the default button, Esc as IDCANCEL: neither closes the bar.
      if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) return TRUE;
      SendMessageW(frame_, WM_COMMAND, wParam, lParam);
      return TRUE;
    default: return FALSE;
  }
}

CFind_MainFrame::CFind_MainFrame(ShellContext& context) : context_(context) {}

CFind_MainFrame::~CFind_MainFrame() {
  // The history is saved by WM_DESTROY, which this object must still see.
  if (Hwnd()) DestroyWindow(Hwnd());
}

bool CFind_MainFrame::CreateFrame() {
  WindowClassArgs frameClass;
  frameClass.name = kFrameClass;
  frameClass.instance = context_.instance;
  frameClass.icon = LoadIconW(context_.instance, MAKEINTRESOURCEW(IDI_KELVARION));
  frameClass.smallIcon = static_cast<HICON>(
      LoadImageW(context_.instance, MAKEINTRESOURCEW(IDI_KELVARION), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  frameClass.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  if (!RegisterWindowClass(frameClass)) return false;
  accelerators_ = LoadAcceleratorsW(context_.instance, MAKEINTRESOURCEW(IDR_FIND_FRAME));

  const std::wstring caption = Widen(SearchWindowCaption(context_.app.GetMainWindowTitle()));
  Window::CreateArgs args;
  args.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  args.title = caption.c_str();
  args.width = 760;
  args.height = 520;
  args.menuOrId = LoadMenuW(context_.instance, MAKEINTRESOURCEW(IDR_FIND_FRAME));
  args.instance = context_.instance;
  return Create(kFrameClass, args) != nullptr;
}

HWND CFind_MainFrame::Combo() const { return bar_ ? bar_->GetItem(IDC_FIND_COMBO) : nullptr; }

LRESULT CFind_MainFrame::OnCreate() {
  SendMessageW(Hwnd(), WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconW(context_.instance, MAKEINTRESOURCEW(IDI_KELVARION))));
  rebar_ = CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_BANDBORDERS | CCS_TOP |
                               CCS_NODIVIDER,
                           0, 0, 0, 0, Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kRebarId)),
                           context_.instance, nullptr);
  if (!rebar_) return -1;
  bar_ = std::make_unique<CFindBar>(Hwnd());
  if (!bar_->CreateModeless(rebar_, IDD_FIND_BAR, context_.instance)) return -1;
  RECT barRect;
  GetWindowRect(bar_->Hwnd(), &barRect);
  REBARBANDINFOW band{};
  band.cbSize = sizeof(band);
  band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE;
  band.fStyle = RBBS_GRIPPERALWAYS | RBBS_CHILDEDGE;
  band.hwndChild = bar_->Hwnd();
  band.cxMinChild = barRect.right - barRect.left;
  band.cyMinChild = barRect.bottom - barRect.top;
  band.cx = band.cxMinChild;
  SendMessageW(rebar_, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
  ShowWindow(bar_->Hwnd(), SW_SHOW);

  // The history, newest first; the combo's list sorts it.
  history_.Load(context_.app.ReadFindHistory());
  HWND combo = Combo();
  for (const std::string& text : history_.Entries()) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  }
  if (history_.IsEmpty()) {
    SetWindowTextW(combo, Widen(kSearchHint).c_str());
    hintShown_ = true;
  }

  textView_ = std::make_unique<CFind_KelvarionView>(context_.instance);
  leftView_ = std::make_unique<CFind_LeftView>(context_, *textView_);
  if (!leftView_->Create(Hwnd(), kTreeId, Hwnd()) || !textView_->Create(Hwnd(), kTextId)) return -1;
  LayoutChildren();
  return 0;
}

void CFind_MainFrame::LayoutChildren() {
  if (!rebar_ || !leftView_ || !textView_) return;
  RECT client;
  GetClientRect(Hwnd(), &client);
  SendMessageW(rebar_, WM_SIZE, 0, 0);
  RECT bar;
  GetWindowRect(rebar_, &bar);
  const int top = bar.bottom - bar.top;
  const int height = std::max<int>(0, client.bottom - top);
  splitX_ = std::clamp(splitX_, 0, std::max<int>(0, client.right - kSplitterWidth));
  MoveWindow(leftView_->Hwnd(), 0, top, splitX_, height, TRUE);
  MoveWindow(textView_->Hwnd(), splitX_ + kSplitterWidth, top,
             std::max<int>(0, client.right - splitX_ - kSplitterWidth), height, TRUE);
}

bool CFind_MainFrame::OnSplitterMouse(UINT msg, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam));
  switch (msg) {
    case WM_LBUTTONDOWN:
      if (x < splitX_ || x >= splitX_ + kSplitterWidth) return false;
      dragging_ = true;
      SetCapture(Hwnd());
      return true;
    case WM_MOUSEMOVE:
      if (!dragging_) return false;
      splitX_ = std::max(0, x - kSplitterWidth / 2);
      LayoutChildren();
      return true;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (!dragging_) return false;
      dragging_ = false;
      if (msg == WM_LBUTTONUP) ReleaseCapture();
      return true;
    default: return false;
  }
}

void CFind_MainFrame::OnSearch() {
  HWND combo = Combo();
  const std::string typed = GetWindowTextCp936(combo);
  // The hint explains the box; it is not something to look for.
  if (hintShown_ && typed == kSearchHint) return;
  const std::string text = NormalizeSearchText(typed);
  if (text.empty() || leftView_->IsBusy()) return;
  hintShown_ = false;
  history_.Add(text);
  const std::wstring wide = Widen(text);
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  SetWindowTextW(combo, wide.c_str());
  leftView_->Search(text);
}

void CFind_MainFrame::OnComboChoice() {
  HWND combo = Combo();
  const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  SetWindowTextW(combo, text.c_str());
  hintShown_ = false;
  OnSearch();
}

void CFind_MainFrame::OnEditCommand(int id) {
  // The edit commands act on the edit field that has the focus: the text
  // pane or the combo's field.
  HWND focus = GetFocus();
  HWND pane = textView_->Hwnd();
  const bool inCombo = focus && GetParent(focus) == Combo();
  if (focus != pane && !inCombo) return;
  switch (id) {
    case ID_EDIT_UNDO: SendMessageW(focus, inCombo ? EM_UNDO : WM_UNDO, 0, 0); break;
    case ID_EDIT_CUT: SendMessageW(focus, WM_CUT, 0, 0); break;
    case ID_EDIT_COPY: SendMessageW(focus, WM_COPY, 0, 0); break;
    case ID_EDIT_PASTE: SendMessageW(focus, WM_PASTE, 0, 0); break;
    case ID_EDIT_CLEAR: SendMessageW(focus, WM_CLEAR, 0, 0); break;
    case ID_EDIT_SELECT_ALL: SendMessageW(focus, EM_SETSEL, 0, -1); break;
    default: break;
  }
}

void CFind_MainFrame::OnCommand(int id, int code) {
  switch (id) {
    case IDC_FIND_BUTTON:
      if (code == BN_CLICKED) OnSearch();
      break;
    case IDC_FIND_COMBO:
      if (code == CBN_SELCHANGE) OnComboChoice();
      break;
    case ID_APP_EXIT: PostMessageW(Hwnd(), WM_CLOSE, 0, 0); break;
    case ID_APP_ABOUT: ShowAboutBox(Hwnd(), context_.app); break;
    case ID_EDIT_FIND: textView_->OpenFind(Hwnd(), false); break;
    case ID_EDIT_REPLACE: textView_->OpenFind(Hwnd(), true); break;
    case ID_EDIT_REPEAT: textView_->FindNextAgain(Hwnd()); break;
    case ID_EDIT_UNDO:
    case ID_EDIT_CUT:
    case ID_EDIT_COPY:
    case ID_EDIT_PASTE:
    case ID_EDIT_CLEAR:
    case ID_EDIT_SELECT_ALL: OnEditCommand(id); break;
    default: break;
  }
}

void CFind_MainFrame::SaveHistory() {
  if (historySaved_) return;
  historySaved_ = true;
  context_.app.WriteFindHistory(history_.ToStore());
}

LRESULT CFind_MainFrame::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == CFind_KelvarionView::FindReplaceMessage() && textView_) {
    textView_->OnFindReplace(*reinterpret_cast<const FINDREPLACEW*>(lParam));
    return 0;
  }
  switch (msg) {
    case WM_CREATE: return OnCreate();
    case WM_SIZE: LayoutChildren(); return 0;
    case WM_SETFOCUS:
      if (HWND combo = Combo()) SetFocus(combo);
      return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_NOTIFY: {
      NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
      if (leftView_ && header->hwndFrom == leftView_->Hwnd()) return leftView_->OnNotify(header);
      if (header->hwndFrom == rebar_ && header->code == RBN_HEIGHTCHANGE) LayoutChildren();
      return 0;
    }
    case WM_TIMER:
      if (wParam == CFind_LeftView::kFillTimer && leftView_) leftView_->OnFillTimer();
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == Hwnd()) {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(Hwnd(), &p);
        if (dragging_ || (p.x >= splitX_ && p.x < splitX_ + kSplitterWidth)) {
          SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
          return TRUE;
        }
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (OnSplitterMouse(msg, lParam)) return 0;
      break;
    case WM_ENDSESSION:
      // A logoff ends the process without WM_DESTROY.
      if (wParam) SaveHistory();
      return 0;
    case WM_DESTROY:
      SaveHistory();
      KillTimer(Hwnd(), CFind_LeftView::kFillTimer);
      PostQuitMessage(0);
      return 0;
    default: break;
  }
  return DefaultProc(msg, wParam, lParam);
}

bool CFind_MainFrame::PreTranslateMessage(MSG& msg) {
  if (HWND find = textView_ ? textView_->FindDialog() : nullptr) {
    if (IsDialogMessageW(find, &msg)) return true;
  }
  if (accelerators_ && TranslateAcceleratorW(Hwnd(), accelerators_, &msg)) return true;
  // Tab between the bar's controls, Enter as the button.
  if (bar_ && bar_->Hwnd() && IsDialogMessageW(bar_->Hwnd(), &msg)) return true;
  return false;
}

int RunSearchWindow(ShellContext& context) {
  const std::wstring caption = Widen(SearchWindowCaption(context.app.GetMainWindowTitle()));
  if (HWND running = FindWindowW(nullptr, caption.c_str())) {
    // A minimised window comes back too, not only a hidden one.
    ShowWindow(running, IsIconic(running) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(running);
    return 0;
  }
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_COOL_CLASSES | ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  CFind_MainFrame frame(context);
  if (!frame.CreateFrame()) return 0;
  ShowWindow(frame.Hwnd(), SW_SHOWNORMAL);
  UpdateWindow(frame.Hwnd());
  SetForegroundWindow(frame.Hwnd());

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (frame.PreTranslateMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace kelvarion
