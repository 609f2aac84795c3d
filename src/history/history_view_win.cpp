#include "history/history_view_win.h"

#include <shellapi.h>

#include "base/dbcs.h"
#include "base/file_utils.h"
#include "base/history_text.h"
#include "base/strings.h"
#include "clip/clipboard_file.h"
#include "clip/format_icon_dlg_win.h"
#include "clip/memo_dlg_win.h"
#include "clip/restore.h"
#include "res/resource_ids.h"
#include "win/popup_menu_win.h"
#include "win/process.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

struct Column {
  const char* heading;
  int width;
};
// Only the first column shows; the others are the row's storage, kept at
// width 0 like the rest of the program expects.
constexpr int kListControlId = 0xE900;

const Column kColumns[] = {{"粘贴板", 2000}, {"文件名", 0}, {"标图文件", 0}, {"图标索引", 0}, {"文件类型", 0}};

// Posted to the list when a row's file turned out unreadable: the row is
// found while the list draws, and goes once that is over.
constexpr UINT kRemoveUnreadableRows = WM_APP + 1;
constexpr UINT kCatchUpCount = WM_APP + 2;

// Messages after which the list must hold every row: whatever draws it, asks
// it (this program, or another one reading its rows), or works on it from
// the keyboard or the mouse.
bool NeedsTheCount(UINT msg) {
  return (msg >= LVM_FIRST && msg < LVM_FIRST + 0x100) || msg == WM_PAINT || msg == WM_SHOWWINDOW ||
         (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg > WM_MOUSEMOVE && msg <= WM_MOUSELAST) ||
         msg == WM_VSCROLL || msg == WM_HSCROLL || msg == WM_CONTEXTMENU;
}

}  // namespace

CTessarynView::CTessarynView(ShellContext& context, CFormatListTable& formats, const ClipboardOrigin& origin)
    : context_(context), formats_(formats), origin_(origin) {
  capture_.listenToFileNames = context_.app.IsListenFileNames();
  screenSaveType_ = context_.app.GetScreenSaveType();
}

CTessarynView::~CTessarynView() = default;

bool CTessarynView::CreateView(HWND parent) {
  HWND list = CreateWindowExW(WS_EX_ACCEPTFILES | WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS, 0,
                              0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kListControlId)),
                              context_.instance, nullptr);
  if (!list) return false;
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  return Attach(list);
}

void CTessarynView::OnInitialUpdate() {
  icons_ = std::make_unique<CIconCache>(16);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    std::wstring heading = Widen(kColumns[i].heading);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = kColumns[i].width;
    column.pszText = heading.data();
    ListView_InsertColumn(Hwnd(), i, &column);
  }
  ListView_SetImageList(Hwnd(), icons_->GetImageList(), LVSIL_SMALL);

  const std::string cutOff = MakeCutOffStamp(context_.clock.Now(), context_.app.GetAutoLoadDays());
  HistoryFill fill = FillHistoryRows(context_.files, context_.app.GetHistoryDirectory(), cutOff, rows_, &stamps_);
  capture_.lastText = fill.lastText;
  RefreshCount();
  if (fill.oldHistory) StartArchive(cutOff);
}

void CTessarynView::StartArchive(const std::string& cutOff) {
  // A hidden second copy of the program moves the old history away; we do
  // not wait for it.
  StartProgram(OwnCommandLine(context_.app.GetExePath(), " /C" + cutOff.substr(0, 12)), SW_HIDE);
}

void CTessarynView::RefreshCount() {
  // The window spends the day hidden in the notification area, and telling
  // the list its new count is most of what a capture costs: a hidden list
  // learns it when it is next drawn or asked anything.
  countStale_ = true;
  if (IsWindowVisible(Hwnd())) CatchUpCount();
}

void CTessarynView::CatchUpCount() {
  if (!countStale_) return;
  countStale_ = false;
  const int added = rowsAddedUnseen_;
  rowsAddedUnseen_ = 0;
  const int selected = GetFirstSelectedRow();
  ListView_SetItemCountEx(Hwnd(), rows_.GetCount(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  InvalidateRect(Hwnd(), nullptr, FALSE);
  // The selected row moved down by the rows that landed on top meanwhile.
  if (selected >= 0 && added > 0) {
    ListView_SetItemState(Hwnd(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(Hwnd(), selected + added, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

HistoryRow* CTessarynView::ResolvedRow(int index) {
  HistoryRow* row = rows_.At(index);
  if (!row || row->unreadable) return nullptr;
  if (!row->resolved && !ResolveHistoryRow(context_.files, context_.app.GetHistoryDirectory(),
                                           context_.app.GetExePath(), formats_, *row)) {
    // A clipboard file that cannot be read has nothing to show or put back.
    if (!removalPosted_) removalPosted_ = PostMessageW(Hwnd(), kRemoveUnreadableRows, 0, 0) != FALSE;
    return nullptr;
  }
  if (row->image < 0 && icons_) {
    if (row->IconFile().empty()) {
      row->SetIconFile(context_.app.GetExePath());
      row->iconIndex = 2;
    }
    row->image = icons_->GetIcon(row->IconFile(), row->iconIndex);
    if (row->image < 0) {
      // An icon that cannot be had falls back to the program's text icon.
      row->SetIconFile(context_.app.GetExePath());
      row->iconIndex = 2;
      row->image = icons_->GetIcon(row->IconFile(), row->iconIndex);
    }
  }
  return row;
}

void CTessarynView::RemoveUnreadableRows() {
  removalPosted_ = false;
  const std::string selected = rows_.GetRowFileName(GetFirstSelectedRow());
  if (rows_.RemoveUnreadable() == 0) return;
  ListView_SetItemState(Hwnd(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  RefreshCount();
  const int row = rows_.FindFileName(selected);
  if (row >= 0) ListView_SetItemState(Hwnd(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void CTessarynView::GetRecentRows(int count, std::vector<std::string>& texts, std::vector<std::string>& fileNames) {
  for (int i = 0; i < rows_.GetCount() && static_cast<int>(fileNames.size()) < count; ++i) {
    const HistoryRow* row = ResolvedRow(i);
    if (!row) continue;
    texts.push_back(ShownRowText(*row));
    fileNames.push_back(row->FileName());
  }
}

int CTessarynView::AddHistoryRow(const std::string& text, const std::string& fileName, const std::string& iconFile,
                                 int iconIndex, int type) {
  HistoryRow row;
  row.SetText(text);
  row.SetFileName(fileName);
  row.SetIconFile(iconFile);
  row.iconIndex = iconIndex;
  row.type = type;
  // Telling the list its new count redraws its scroll bar, which can take
  // longer than saving the item did. The hidden list learns it when it is
  // next drawn or asked; one on the screen right after this message, once
  // the clipboard change has gone on along the viewer chain. The selection
  // catches up with the count (CatchUpCount).
  rows_.AddAtTop(std::move(row));
  ResolvedRow(0);
  ++rowsAddedUnseen_;
  countStale_ = true;
  if (IsWindowVisible(Hwnd()) && !catchUpPosted_) catchUpPosted_ = PostMessageW(Hwnd(), kCatchUpCount, 0, 0) != FALSE;
  return 0;
}

int CTessarynView::GetFirstSelectedRow() const { return ListView_GetNextItem(Hwnd(), -1, LVNI_SELECTED); }

void CTessarynView::DeleteHistoryRow(int index) {
  const std::string name = rows_.GetRowFileName(index);
  if (name.empty()) return;
  const std::string path = context_.app.GetHistoryDirectory() + name;
  // A file already gone still takes its row with it; one that stays keeps it.
  if (!context_.files.Remove(path) && context_.files.Exists(path)) {
    ShowError("无法删除这条记录的文件，记录已保留：\r\n" + path);
    return;
  }
  rows_.Remove(index);
  ListView_SetItemState(Hwnd(), -1, 0, LVIS_SELECTED);
  RefreshCount();
  if (index < rows_.GetCount()) ListView_SetItemState(Hwnd(), index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void CTessarynView::OpenHistoryRow(int index) {
  const std::string name = rows_.GetRowFileName(index);
  if (name.empty()) return;
  std::string program;
  switch (GetHistoryKind(name)) {
    case HistoryKind::kText: program = context_.app.GetTextEditor(); break;
    case HistoryKind::kBmp:
    case HistoryKind::kGif:
    case HistoryKind::kJpg: program = context_.app.GetImageEditor(); break;
    case HistoryKind::kClipboardFile: program = context_.app.GetClipFileEditor(); break;
    case HistoryKind::kNone:
      MessageBoxW(GetParent(Hwnd()), Widen(context_.app.GetHistoryDirectory() + name).c_str(),
                  Widen("未定义的打开方式").c_str(), MB_OK);
      return;
  }
  StartProgram("\"" + program + "\" \"" + context_.app.GetHistoryDirectory() + name + "\"", SW_SHOW);
}

CaptureContext CTessarynView::MakeCaptureContext() {
  return CaptureContext{context_.clipboard, context_.files, context_.clock, context_.app.GetHistoryDirectory(),
                        reinterpret_cast<ClipboardPort::Window>(Hwnd()), *this, stamps_};
}

void CTessarynView::ShowCaptureMessage(CaptureResult result) {
  const std::wstring caption = Widen(context_.app.GetMainWindowTitle());
  switch (result) {
    case CaptureResult::kEmpty:
      MessageBoxW(GetParent(Hwnd()), Widen(kEmptyClipboardMessage).c_str(), caption.c_str(), MB_OK);
      break;
    case CaptureResult::kPrivate:
      MessageBoxW(GetParent(Hwnd()), Widen(kPrivateClipboardMessage).c_str(), caption.c_str(), MB_OK);
      break;
    case CaptureResult::kWriteFailed:
      ShowError("粘贴板内容未能保存：无法在下面的目录中写入历史文件\r\n" + context_.app.GetHistoryDirectory());
      break;
    default:
      break;
  }
}

void CTessarynView::ShowError(const std::string& text) {
  MessageBoxW(GetParent(Hwnd()), Widen(text).c_str(), Widen(context_.app.GetMainWindowTitle()).c_str(),
              MB_OK | MB_ICONERROR);
}

void CTessarynView::CaptureClipboardText() {
  CaptureContext capture = MakeCaptureContext();
  kelvarion::CaptureClipboardText(capture, capture_);
}

void CTessarynView::CaptureAllFormats() {
  const ClipboardSource source = origin_.GetClipboardSource();
  CaptureContext capture = MakeCaptureContext();
  ShowCaptureMessage(kelvarion::CaptureAllFormats(capture, capture_, formats_, source));
}

void CTessarynView::RestoreHistoryItem(int index) {
  HistoryRow* row = ResolvedRow(index);
  if (!row) return;
  // The list's own window owns what is put back, as Windows requires of
  // whoever empties the clipboard.
  RestoreContext restore{context_.clipboard, reinterpret_cast<ClipboardPort::Window>(Hwnd()), context_.files,
                         context_.app.GetHistoryDirectory(), context_.app.GetProgramIniPath(), &context_.notice};
  RestoreHistoryFile(restore, RestoreRow{row->FileName(), row->IconFile(), row->iconIndex, row->Text()}, capture_);
}

void CTessarynView::CaptureClipboardFileNames() {
  CaptureContext capture = MakeCaptureContext();
  ShowCaptureMessage(kelvarion::CaptureClipboardFileNames(capture));
}

bool CTessarynView::OnCommand(UINT id) {
  const int selected = GetFirstSelectedRow();
  switch (id) {
    case ID_EDIT_COPY_ROW:
      if (selected >= 0) RestoreHistoryItem(selected);
      return true;
    case ID_EDIT_DELETE_ROW:
      if (selected >= 0) DeleteHistoryRow(selected);
      return true;
    case ID_EDIT_OPEN_ROW:
      if (selected >= 0) OpenHistoryRow(selected);
      return true;
    case ID_PASTE_ALL_FORMATS: CaptureAllFormats(); return true;
    case ID_PASTE_FILE_NAMES: CaptureClipboardFileNames(); return true;
    case ID_TOGGLE_LISTEN_FILE_NAMES:
      capture_.listenToFileNames = !capture_.listenToFileNames;
      context_.app.SetListenFileNames(capture_.listenToFileNames);
      return true;
    case ID_SAVE_AS_BMP:
    case ID_SAVE_AS_GIF:
    case ID_SAVE_AS_JPG:
      screenSaveType_ = id == ID_SAVE_AS_BMP ? "BMP" : id == ID_SAVE_AS_GIF ? "GIF" : "JPG";
      context_.app.SetScreenSaveType(screenSaveType_);
      return true;
    case ID_PICK_WINDOW:
    case ID_CAPTURE_SCREEN:
    case ID_CAPTURE_REGION:
      // Screen captures come with their own tools.
      return true;
  }
  return false;
}

void CTessarynView::GetCommandState(UINT id, bool& enabled, bool& checked) {
  switch (id) {
    case ID_EDIT_COPY_ROW:
    case ID_EDIT_DELETE_ROW:
    case ID_EDIT_OPEN_ROW: enabled = GetFirstSelectedRow() >= 0; break;
    case ID_PASTE_ALL_FORMATS: enabled = context_.clipboard.CountFormats() > 0; break;
    case ID_PASTE_FILE_NAMES: enabled = context_.clipboard.IsFormatAvailable(kCfHdrop); break;
    case ID_SAVE_AS_BMP: checked = screenSaveType_ == "BMP"; break;
    case ID_SAVE_AS_GIF: checked = screenSaveType_ == "GIF"; break;
    case ID_SAVE_AS_JPG: checked = screenSaveType_ == "JPG"; break;
  }
}

void CTessarynView::OnGetDisplayInfo(NMLVDISPINFOW* info) {
  HistoryRow* row = ResolvedRow(info->item.iItem);
  if (!row) return;
  if (info->item.mask & LVIF_TEXT) {
    std::string cell;
    switch (info->item.iSubItem) {
      case 0: displayText_ = WidenHistoryText(ShownRowText(*row)); break;
      case 1: cell = row->FileName(); break;
      case 2: cell = row->IconFile(); break;
      case 3: cell = IntToString(row->iconIndex); break;
      case 4: cell = IntToString(row->type); break;
    }
    if (info->item.iSubItem != 0) displayText_ = Widen(cell);
    info->item.pszText = displayText_.data();
  }
  if (info->item.mask & LVIF_IMAGE) info->item.iImage = row->image;
}

LRESULT CTessarynView::OnNotify(NMHDR* header) {
  switch (header->code) {
    case LVN_GETDISPINFOW:
      OnGetDisplayInfo(reinterpret_cast<NMLVDISPINFOW*>(header));
      return 0;
    case NM_DBLCLK: {
      int index = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
      if (index >= 0) OpenHistoryRow(index);
      return 0;
    }
    case NM_RCLICK: {
      int index = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
      if (index >= 0) OnContextMenu(index);
      return 0;
    }
  }
  return 0;
}

void CTessarynView::OnContextMenu(int index) {
  // The menu runs a message loop: a capture that lands meanwhile moves every
  // row down, so the clicked row is found again by its file afterwards.
  const std::string name = rows_.GetRowFileName(index);
  if (name.empty()) return;
  const bool clipboardFile = GetHistoryKind(name) == HistoryKind::kClipboardFile;
  CTextList texts{"复制(&C)\tCtrl+C", "编辑(&E)\t(双击)", "删除(&D)\t(Del)"};
  if (clipboardFile) {
    texts.Add(kMenuSeparator);
    texts.Add("修改说明");
    texts.Add("更改此类型图标");
  }
  const int choice = PopupMenuFromList(texts, CNumberList(), CNumberList(), GetParent(Hwnd()));
  const int row = rows_.FindFileName(name);
  if (row < 0) return;  // deleted meanwhile
  switch (choice) {
    case 0: RestoreHistoryItem(row); break;
    case 1: OpenHistoryRow(row); break;
    case 2: DeleteHistoryRow(row); break;
    case 4: EditMemo(name); break;
    case 5: ChangeFormatIcon(name); break;
  }
}

void CTessarynView::EditMemo(const std::string& fileName) {
  const std::string path = context_.app.GetHistoryDirectory() + fileName;
  std::string memo;
  if (ReadClipboardFileInfo(context_.files, path, memo, nullptr, nullptr) < 0) {
    ShowError("无法读取这条记录的说明：\r\n" + path);
    return;
  }
  CMemoDlg dialog(GetParent(Hwnd()));
  dialog.SetMemo(memo);
  if (dialog.DoModal(context_.instance) != IDOK) return;
  if (SetClipboardFileMemo(context_.files, path, dialog.GetMemo()) != 0) {
    ShowError("说明未能保存：无法写入文件\r\n" + path);
    return;
  }
  // The dialog ran a message loop too: the row is looked up again.
  const int index = rows_.FindFileName(fileName);
  if (HistoryRow* row = rows_.At(index)) {
    row->SetText(dialog.GetMemo());
    ListView_RedrawItems(Hwnd(), index, index);
  }
}

void CTessarynView::ChangeFormatIcon(const std::string& fileName) {
  // Nothing of the row is kept across the dialog: captures meanwhile add rows
  // and move (or reallocate) the others.
  const HistoryRow* row = ResolvedRow(rows_.FindFileName(fileName));
  if (!row) return;
  const int type = row->type;
  const std::string path = context_.app.GetHistoryDirectory() + fileName;
  std::string memo;
  CTextList names;
  if (ReadClipboardFileInfo(context_.files, path, memo, &names, nullptr) < 0) return;
  names.Sort();
  std::string formatText;
  for (int i = 0; i < names.GetSize(); ++i) formatText += (i ? ", " : "") + names.Get(i);

  std::string iconFile;
  int iconIndex = 0;
  if (formats_.GetFormatListIcon(type, iconFile, iconIndex) < 0 || !FileExists(context_.files, iconFile)) {
    iconFile = formats_.GetDefaultIconFile();
    iconIndex = 1;
  }
  CFormatIconDlg dialog(GetParent(Hwnd()), &formats_);
  dialog.SetInitialIcon(iconFile, iconIndex);
  dialog.SetFormatText(formatText);
  if (dialog.DoModal(context_.instance) != IDOK) return;
  dialog.GetSelectedIcon(iconFile, iconIndex);
  if (formats_.SetFormatListIcon(type, iconFile, iconIndex) < 0) return;
  // Every row of the same format set shows the new icon; their icon columns
  // keep the old text until the next start. Rows not yet resolved are left
  // out: they read the new icon from the table when they are first shown.
  const int image = icons_->GetIcon(iconFile, iconIndex);
  for (int i = rows_.FindType(type); i >= 0; i = rows_.FindType(type, i + 1)) {
    HistoryRow* same = rows_.At(i);
    if (same && GetHistoryKind(same->FileName()) == HistoryKind::kClipboardFile) same->image = image;
  }
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void CTessarynView::OnKeyDown(WPARAM key) {
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const HWND frame = GetParent(Hwnd());
  switch (key) {
    case VK_ESCAPE:
      if (IsWindowVisible(frame) && !(cancelPick_ && cancelPick_())) ShowWindow(frame, SW_HIDE);
      break;
    case VK_DELETE: OnCommand(ID_EDIT_DELETE_ROW); break;
    case 'C':
      if (control) OnCommand(ID_EDIT_COPY_ROW);
      break;
    case 'V':
      if (control) OnCommand(ID_PASTE_ALL_FORMATS);
      break;
    // The opacity is the frame's: it gets the commands of its menu.
    case 'Q': SendMessageW(frame, WM_COMMAND, ID_OPACITY_DOWN, 0); break;
    case 'W': SendMessageW(frame, WM_COMMAND, ID_OPACITY_UP, 0); break;
  }
}

std::string ReadDroppedFileNames(HDROP drop) {
  std::wstring text;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    // Each path is asked for its length first: long paths ("\\?\" ones
    // and those the system allows past MAX_PATH) come through whole.
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(static_cast<std::size_t>(length) + 1, L'\0');
    const UINT n = DragQueryFileW(drop, i, path.data(), length + 1);
    path.resize(n <= length ? n : length);
    text += path + L"\r\n";
  }
  // Kept like copied text: names code page 936 cannot hold stay whole.
  return MakeHistoryText(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

void CTessarynView::OnDropFiles(HDROP drop) {
  const std::string text = ReadDroppedFileNames(drop);
  DragFinish(drop);
  if (text.empty()) return;
  CaptureContext capture = MakeCaptureContext();
  const std::string name = SaveHistoryText(capture, text);
  // A drop that cannot be saved gets no row: it would point at nothing.
  if (name.empty()) {
    ShowCaptureMessage(CaptureResult::kWriteFailed);
    return;
  }
  AddHistoryRow(MakeRowText(text), name, "", 0, 0);
}

LRESULT CTessarynView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (countStale_ && NeedsTheCount(msg)) CatchUpCount();
  switch (msg) {
    case WM_KEYDOWN:
      OnKeyDown(wParam);
      break;
    case WM_MOUSEMOVE:
      return 0;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case kRemoveUnreadableRows:
      RemoveUnreadableRows();
      return 0;
    case kCatchUpCount:
      catchUpPosted_ = false;
      CatchUpCount();
      return 0;
  }
  return DefaultProc(msg, wParam, lParam);
}

}  // namespace kelvarion
