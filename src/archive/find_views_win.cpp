#include "archive/find_views_win.h"

#include <commdlg.h>

#include <algorithm>
#include <cwctype>

#include "archive/archive_search.h"
#include "archive/find_history.h"
#include "archive/search_text.h"
#include "res/resource_ids.h"
#include "win/text_win.h"

namespace kelvarion {

std::wstring WidenUtf8(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > 0x7fffffff) return std::wstring();
  const int size = static_cast<int>(utf8.size());
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::wstring WithCrLf(std::wstring text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out.push_back(L'\r');
    out.push_back(text[i]);
  }
  return out;
}

// ------------------------------------------------------------------ text pane

bool CFind_KelvarionView::Create(HWND parent, int id) {
  // No ES_AUTOHSCROLL and no horizontal scroll bar: long lines wrap.
  edit_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL |
                              ES_WANTRETURN | ES_NOHIDESEL,
                          0, 0, 100, 100, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  if (!edit_) return false;
  SendMessageW(edit_, EM_SETLIMITTEXT, 0, 0);
  // Fixedsys at 12 points. The character set asks for a face that holds
  // Chinese, so the font mapper takes one that does where Fixedsys does not.
  HDC dc = GetDC(edit_);
  LOGFONTW font{};
  font.lfHeight = -MulDiv(120, GetDeviceCaps(dc, LOGPIXELSY), 720);
  ReleaseDC(edit_, dc);
  font.lfCharSet = GB2312_CHARSET;
  font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lstrcpynW(font.lfFaceName, L"Fixedsys", LF_FACESIZE);
  font_.reset(CreateFontIndirectW(&font));
  if (font_) SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  INT tabStop = 16;
  SendMessageW(edit_, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
  return true;
}

std::wstring CFind_KelvarionView::GetText() const {
  int length = GetWindowTextLengthW(edit_);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  length = GetWindowTextW(edit_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(length, 0)));
  return text;
}

void CFind_KelvarionView::SetText(const std::wstring& text) {
  SetWindowTextW(edit_, text.c_str());
  SendMessageW(edit_, EM_EMPTYUNDOBUFFER, 0, 0);
}

UINT CFind_KelvarionView::FindReplaceMessage() {
  static const UINT message = RegisterWindowMessageW(FINDMSGSTRINGW);
  return message;
}

void CFind_KelvarionView::OpenFind(HWND owner, bool replace) {
  if (findDialog_) {
    // One dialog at a time; the other kind closes first.
    bool isReplace = GetDlgItem(findDialog_, 0x400 + 1) != nullptr;  // the replace field (edt2)
    if (isReplace == replace) {
      SetActiveWindow(findDialog_);
      return;
    }
    DestroyWindow(findDialog_);
    findDialog_ = nullptr;
  }
  // The selection, when it is one short line, is what to find.
  DWORD start = 0, end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (end > start && end - start < std::size(findWhat_)) {
    std::wstring text = GetText();
    std::wstring selected = text.substr(start, end - start);
    if (selected.find_first_of(L"\r\n") == std::wstring::npos) lstrcpynW(findWhat_, selected.c_str(), std::size(findWhat_));
  }
  request_ = FINDREPLACEW{};
  request_.lStructSize = sizeof(request_);
  request_.hwndOwner = owner;
  request_.hInstance = instance_;
  request_.Flags = lastFlags_ & (FR_DOWN | FR_MATCHCASE | FR_WHOLEWORD);
  request_.lpstrFindWhat = findWhat_;
  request_.wFindWhatLen = static_cast<WORD>(std::size(findWhat_));
  request_.lpstrReplaceWith = replaceWith_;
  request_.wReplaceWithLen = static_cast<WORD>(std::size(replaceWith_));
  findDialog_ = replace ? ReplaceTextW(&request_) : FindTextW(&request_);
}

void CFind_KelvarionView::FindNextAgain(HWND owner) {
  if (!findWhat_[0]) {
    OpenFind(owner, false);
    return;
  }
  if (!FindInPane(findWhat_, (lastFlags_ & FR_DOWN) != 0, (lastFlags_ & FR_MATCHCASE) != 0,
                (lastFlags_ & FR_WHOLEWORD) != 0))
    MessageBeep(MB_ICONHAND);
}

void CFind_KelvarionView::OnFindReplace(const FINDREPLACEW& request) {
  if (request.Flags & FR_DIALOGTERM) {
    findDialog_ = nullptr;
    return;
  }
  const bool matchCase = (request.Flags & FR_MATCHCASE) != 0;
  const bool wholeWord = (request.Flags & FR_WHOLEWORD) != 0;
  // The replace dialog always searches downwards.
  const bool replacing = (request.Flags & (FR_REPLACE | FR_REPLACEALL)) != 0;
  const bool down = replacing || (request.Flags & FR_DOWN) != 0;
  lastFlags_ = (request.Flags & (FR_MATCHCASE | FR_WHOLEWORD)) | (down ? FR_DOWN : 0);
  const std::wstring what = request.lpstrFindWhat ? request.lpstrFindWhat : L"";
  const std::wstring with = request.lpstrReplaceWith ? request.lpstrReplaceWith : L"";
  // F3 goes on with the last words asked for.
  lstrcpynW(findWhat_, what.c_str(), static_cast<int>(std::size(findWhat_)));
  if (what.empty()) return;
  if (request.Flags & FR_REPLACEALL) {
    ReplaceAll(what, with, matchCase, wholeWord);
    return;
  }
  if ((request.Flags & FR_REPLACE) && SelectionMatches(what, matchCase)) {
    SendMessageW(edit_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(with.c_str()));
  }
  if (!FindInPane(what, down, matchCase, wholeWord)) MessageBeep(MB_ICONHAND);
}

namespace {

std::wstring Folded(std::wstring text, bool matchCase) {
  if (!matchCase && !text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

bool IsWordChar(wchar_t c) { return IsCharAlphaNumericW(c) || c == L'_'; }

bool AtWordBounds(const std::wstring& text, std::size_t at, std::size_t length) {
  return (at == 0 || !IsWordChar(text[at - 1])) && (at + length >= text.size() || !IsWordChar(text[at + length]));
}

// The first match at or after from (down), or the last one ending at or
// before from (up); npos when none.
std::size_t FindIn(const std::wstring& text, const std::wstring& what, std::size_t from, bool down, bool wholeWord) {
  if (what.empty() || what.size() > text.size()) return std::wstring::npos;
  if (down) {
    for (std::size_t at = text.find(what, from); at != std::wstring::npos; at = text.find(what, at + 1)) {
      if (!wholeWord || AtWordBounds(text, at, what.size())) return at;
    }
    return std::wstring::npos;
  }
  if (from < what.size()) return std::wstring::npos;
  for (std::size_t at = text.rfind(what, from - what.size());; at = text.rfind(what, at - 1)) {
    if (at == std::wstring::npos) return at;
    if (!wholeWord || AtWordBounds(text, at, what.size())) return at;
    if (at == 0) return std::wstring::npos;
  }
}

}  // namespace

bool CFind_KelvarionView::SelectionMatches(const std::wstring& what, bool matchCase) const {
  DWORD start = 0, end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (end - start != what.size()) return false;
  return Folded(GetText().substr(start, end - start), matchCase) == Folded(what, matchCase);
}

bool CFind_KelvarionView::FindInPane(const std::wstring& what, bool down, bool matchCase, bool wholeWord) {
  const std::wstring text = Folded(GetText(), matchCase);
  const std::wstring needle = Folded(what, matchCase);
  DWORD start = 0, end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  std::size_t at = FindIn(text, needle, down ? end : start, down, wholeWord);
  // Round once from the other end.
  if (at == std::wstring::npos) at = FindIn(text, needle, down ? 0 : text.size(), down, wholeWord);
  if (at == std::wstring::npos) return false;
  SendMessageW(edit_, EM_SETSEL, at, at + needle.size());
  SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
  return true;
}

void CFind_KelvarionView::ReplaceAll(const std::wstring& what, const std::wstring& with, bool matchCase,
                                     bool wholeWord) {
  const std::wstring text = GetText();
  const std::wstring folded = Folded(text, matchCase);
  const std::wstring needle = Folded(what, matchCase);
  std::wstring out;
  std::size_t from = 0, replaced = 0;
  for (std::size_t at = FindIn(folded, needle, 0, true, wholeWord); at != std::wstring::npos;
       at = FindIn(folded, needle, from, true, wholeWord)) {
    out.append(text, from, at - from);
    out += with;
    from = at + needle.size();
    ++replaced;
  }
  if (replaced == 0) {
    MessageBeep(MB_ICONHAND);
    return;
  }
  out.append(text, from, std::wstring::npos);
  // Through the selection, so that undo takes it back.
  SendMessageW(edit_, EM_SETSEL, 0, -1);
  SendMessageW(edit_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(out.c_str()));
}

// ------------------------------------------------------------------ result tree

bool CFind_LeftView::Create(HWND parent, int id, HWND timerWindow) {
  timerWindow_ = timerWindow;
  tree_ = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP, 0, 0, 200, 100, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), context_.instance, nullptr);
  if (!tree_) return false;
  images_.reset(ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 0));
  for (int resource : {IDB_FIND_SEARCH, IDB_FIND_RESULT}) {
    GdiObject<HBITMAP> bitmap(static_cast<HBITMAP>(
        LoadImageW(context_.instance, MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (images_ && bitmap) ImageList_AddMasked(images_.get(), bitmap.get(), RGB(255, 255, 255));
  }
  if (images_) TreeView_SetImageList(tree_, images_.get(), TVSIL_NORMAL);
  return true;
}

int CFind_LeftView::InsertNode(HTREEITEM parent, const std::wstring* label, int image, std::int64_t rowid) {
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent ? parent : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  // A hit's label is read when the tree draws it.
  insert.item.pszText = label ? const_cast<wchar_t*>(label->c_str()) : LPSTR_TEXTCALLBACKW;
  insert.item.iImage = image;
  insert.item.iSelectedImage = image;
  insert.item.lParam = static_cast<LPARAM>(nodes_.size());
  if (!parent) {
    insert.item.mask |= TVIF_CHILDREN;
    insert.item.cChildren = 1;
  }
  HTREEITEM item = reinterpret_cast<HTREEITEM>(
      SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  if (!item) return -1;
  nodes_.push_back(Node{item, rowid});
  return static_cast<int>(nodes_.size()) - 1;
}

bool CFind_LeftView::OpenDatabase() {
  if (db_.IsOpen()) return true;
  const std::string path = context_.app.GetMdbFile();
  int rc = db_.Open(context_.files, path, CArchiveDatabase::OpenMode::kExisting);
  if (rc == 0) return true;
  const std::string message = "无法打开历史记录数据库文件\"" + path + "\"" +
                              (rc == CArchiveDatabase::kNotArchive ? ",它不是历史记录数据库。" : "。");
  MessageBoxW(Frame(), Widen(message).c_str(), L"Kelvarion", MB_OK | MB_ICONERROR);
  return false;
}

bool CFind_LeftView::CompleteIndex(int searchNode, const std::wstring& label) {
  if (!db_.CanIndex() || db_.IsIndexComplete()) return true;
  // A database whose rows were added without the index (an earlier version,
  // another program) gets it once. The search node tells how far it is, and
  // the window keeps answering between the batches.
  HTREEITEM item = nodes_[searchNode].item;
  auto show = [&](const std::wstring& text) {
    TVITEMW change{};
    change.mask = TVIF_TEXT;
    change.hItem = item;
    change.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tree_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&change));
  };
  bool quit = false;
  int rc = db_.BuildSearchIndex([&](std::int64_t done, std::int64_t total) {
    int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    show(label + Widen(" (正在建立检索索引 " + std::to_string(percent) + "%)"));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        quit = true;
        return false;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return IsWindow(tree_) != FALSE;
  });
  if (quit || !IsWindow(tree_)) return false;
  show(label);
  // A failed build leaves the search to the plain scan, which gives the same rows.
  return rc == 0 || rc == CArchiveDatabase::kFailed;
}

void CFind_LeftView::Search(const std::string& text) {
  if (busy_) {
    MessageBeep(MB_OK);
    return;
  }
  const std::string path = context_.app.GetMdbFile();
  if (!context_.files.Exists(path)) {
    db_.Close();
    MessageBoxW(Frame(), Widen(MissingDatabaseMessage(path)).c_str(), L"Kelvarion", MB_OK);
    return;
  }
  busy_ = true;
  const std::wstring label = Widen(text);
  const int searchNode = InsertNode(nullptr, &label, 0, -1);
  if (searchNode < 0) {
    busy_ = false;
    return;
  }
  SetNodeText(searchNode, std::wstring());
  if (!OpenDatabase() || !CompleteIndex(searchNode, label)) {
    busy_ = false;
    return;
  }
  SearchResult result;
  HCURSOR cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  int rc = FindArchivedRows(db_, SearchWordsFromText(text), result);
  SetCursor(cursor);
  busy_ = false;
  if (rc != 0) {
    MessageBoxW(Frame(), Widen("读取历史记录数据库时出错,查找没有完成。").c_str(), L"Kelvarion", MB_OK | MB_ICONERROR);
    return;
  }
  SetNodeText(searchNode, Widen(FoundCountText(static_cast<std::int64_t>(result.rowids.size()))));
  if (selected_ == searchNode) textView_.SetText(texts_[searchNode]);
  if (result.rowids.empty()) return;
  fills_.push_back(PendingFill{nodes_[searchNode].item, std::move(result.rowids), 0});
  SetTimer(timerWindow_, kFillTimer, USER_TIMER_MINIMUM, nullptr);
  OnFillTimer();
}

void CFind_LeftView::OnFillTimer() {
  // About a frame's time of inserting, then input and painting come first.
  const DWORD start = GetTickCount();
  while (!fills_.empty()) {
    PendingFill& fill = fills_.front();
    while (fill.next < fill.rowids.size()) {
      if (InsertNode(fill.parent, nullptr, 1, fill.rowids[fill.next]) < 0) {
        fill.next = fill.rowids.size();  // the tree is out of memory: what is in stays
        break;
      }
      ++fill.next;
      if ((fill.next & 255) == 0 && GetTickCount() - start >= 30) return;
    }
    fills_.pop_front();
  }
  KillTimer(timerWindow_, kFillTimer);
}

std::wstring CFind_LeftView::NodeText(int index) {
  auto known = texts_.find(index);
  if (known != texts_.end()) return known->second;
  std::string memo;
  if (nodes_[index].rowid < 0 || !db_.IsOpen() || db_.ReadMemo(nodes_[index].rowid, memo) != 0) return std::wstring();
  return WithCrLf(WidenUtf8(memo));
}

void CFind_LeftView::OnSelChanged(const NMTREEVIEWW& change) {
  const LPARAM index = change.itemNew.lParam;
  if (index < 0 || index >= static_cast<LPARAM>(nodes_.size()) || nodes_[index].item != change.itemNew.hItem) return;
  // What was typed into the pane stays with the node left.
  if (selected_ >= 0) SetNodeText(selected_, textView_.GetText());
  textView_.SetText(NodeText(static_cast<int>(index)));
  selected_ = static_cast<int>(index);
}

void CFind_LeftView::OnGetDispInfo(NMTVDISPINFOW& info) {
  if (!(info.item.mask & TVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0) return;
  info.item.pszText[0] = L'\0';
  const LPARAM index = info.item.lParam;
  if (index < 0 || index >= static_cast<LPARAM>(nodes_.size()) || nodes_[index].rowid < 0 || !db_.IsOpen()) return;
  std::string memo;
  if (db_.ReadMemo(nodes_[index].rowid, memo) != 0) return;
  labelBuffer_ = WidenUtf8(FirstChars(memo, 255));
  // A label is one line: line breaks and tabs show as blanks, not as boxes.
  std::replace_if(labelBuffer_.begin(), labelBuffer_.end(), [](wchar_t c) { return c == L'\r' || c == L'\n' || c == L'\t'; }, L' ');
  lstrcpynW(info.item.pszText, labelBuffer_.c_str(), info.item.cchTextMax);
}

LRESULT CFind_LeftView::OnNotify(NMHDR* header) {
  switch (header->code) {
    case TVN_SELCHANGEDW: OnSelChanged(*reinterpret_cast<NMTREEVIEWW*>(header)); return 0;
    case TVN_GETDISPINFOW: OnGetDispInfo(*reinterpret_cast<NMTVDISPINFOW*>(header)); return 0;
    default: return 0;
  }
}

}  // namespace kelvarion
