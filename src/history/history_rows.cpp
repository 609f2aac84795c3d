#include "history/history_rows.h"

#include <algorithm>

#include "base/file_utils.h"
#include "base/history_text.h"
#include "clip/clipboard_file.h"
#include "clip/format_list.h"

namespace kelvarion {

namespace {

// The newest text is read at start for the repeat check up to this size.
constexpr std::size_t kMaxLastTextBytes = std::size_t{16} << 20;

// Icons of the executable for the rows that are not clipboard files.
constexpr int kTextIcon = 2;
constexpr int kBmpIcon = 4;
constexpr int kGifIcon = 8;
constexpr int kJpgIcon = 9;
// A format set seen for the first time gets the executable's icon 1.
constexpr int kNewFormatSetIcon = 1;

}  // namespace

// --- one row ------------------------------------------------------------------

HistoryRow::HistoryRow(const HistoryRow& other)
    : iconIndex(other.iconIndex),
      type(other.type),
      image(other.image),
      resolved(other.resolved),
      unreadable(other.unreadable),
      nameLength_(other.nameLength_),
      details_(other.details_ ? std::make_unique<Details>(*other.details_) : nullptr) {
  std::copy(std::begin(other.name_), std::end(other.name_), std::begin(name_));
}

HistoryRow& HistoryRow::operator=(const HistoryRow& other) {
  if (this != &other) *this = HistoryRow(other);
  return *this;
}

std::string_view HistoryRow::FileNameView() const {
  if (nameLength_ > kNameInPlace) return details_->longName;
  return std::string_view(name_, nameLength_);
}

std::string HistoryRow::FileName() const { return std::string(FileNameView()); }

HistoryRow::Details& HistoryRow::MakeDetails() {
  if (!details_) details_ = std::make_unique<Details>();
  return *details_;
}

void HistoryRow::SetFileName(std::string_view name) {
  if (name.size() <= kNameInPlace) {
    std::copy(name.begin(), name.end(), name_);
    nameLength_ = static_cast<std::uint8_t>(name.size());
    if (details_) details_->longName.clear();
    return;
  }
  MakeDetails().longName.assign(name);
  nameLength_ = kNameInPlace + 1;
}

const std::string& HistoryRow::Text() const {
  static const std::string empty;
  return details_ ? details_->text : empty;
}

void HistoryRow::SetText(std::string text) {
  if (!details_ && text.empty()) return;
  MakeDetails().text = std::move(text);
}

const std::string& HistoryRow::IconFile() const {
  static const std::string empty;
  return details_ ? details_->iconFile : empty;
}

void HistoryRow::SetIconFile(std::string iconFile) {
  if (!details_ && iconFile.empty()) return;
  MakeDetails().iconFile = std::move(iconFile);
}

std::string ShownRowText(const HistoryRow& row) {
  // Only memos can hold line ends; the other texts were folded when made. A
  // memo is code page 936 text, shown in the kept form every row text has.
  return GetHistoryKind(row.FileName()) == HistoryKind::kClipboardFile ? MakeHistoryTextFrom936(FoldText(row.Text()))
                                                                        : row.Text();
}

// --- rows -------------------------------------------------------------------

HistoryRow* CHistoryRows::At(int index) {
  return const_cast<HistoryRow*>(static_cast<const CHistoryRows*>(this)->At(index));
}

const HistoryRow* CHistoryRows::At(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return &rows_[rows_.size() - 1 - static_cast<std::size_t>(index)];
}

int CHistoryRows::AddAtTop(HistoryRow row) {
  rows_.push_back(std::move(row));
  return 0;
}

void CHistoryRows::Remove(int index) {
  if (index < 0 || index >= GetCount()) return;
  rows_.erase(rows_.begin() + (GetCount() - 1 - index));
}

std::string CHistoryRows::GetRowFileName(int index) const {
  const HistoryRow* row = At(index);
  return row ? row->FileName() : std::string();
}

int CHistoryRows::FindType(int type, int start) const {
  for (int i = std::max(start, 0); i < GetCount(); ++i) {
    const HistoryRow* row = At(i);
    if (row->resolved && !row->unreadable && row->type == type) return i;
  }
  return -1;
}

int CHistoryRows::FindFileName(const std::string& fileName) const {
  if (fileName.empty()) return -1;
  // Stored oldest first: walk from the back, where the newest rows are.
  for (std::size_t i = rows_.size(); i-- > 0;) {
    if (rows_[i].HasFileName(fileName)) return static_cast<int>(rows_.size() - 1 - i);
  }
  return -1;
}

int CHistoryRows::RemoveUnreadable() {
  const std::size_t before = rows_.size();
  rows_.erase(std::remove_if(rows_.begin(), rows_.end(), [](const HistoryRow& row) { return row.unreadable; }),
              rows_.end());
  return static_cast<int>(before - rows_.size());
}

// --- filling and resolving --------------------------------------------------

HistoryFill FillHistoryRows(FileSystem& fs, const std::string& historyDirectory, const std::string& cutOffStamp,
                            CHistoryRows& rows, CHistoryStamps* stamps) {
  HistoryFill fill;
  std::vector<std::string> names;
  if (!fs.ListDirectory(historyDirectory, names)) return fill;
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& name) { return GetHistoryKind(name) == HistoryKind::kNone; }),
              names.end());
  // std::string compares its bytes as unsigned char, as the cut-off test wants.
  std::sort(names.begin(), names.end());
  if (stamps) {
    stamps->Reserve(names.size());
    for (const std::string& name : names) stamps->Add(name);
  }
  auto firstShown = std::lower_bound(names.begin(), names.end(), cutOffStamp);
  fill.oldHistory = firstShown != names.begin();

  // Room for the captures of a while too: growing a vector of 100,000 rows
  // would hold it twice for a moment and leave half of it unused.
  const std::size_t shown = static_cast<std::size_t>(names.end() - firstShown);
  rows.Reserve(static_cast<std::size_t>(rows.GetCount()) + shown + shown / 16 + 256);
  for (auto it = firstShown; it != names.end(); ++it) {
    HistoryRow row;
    row.SetFileName(*it);
    row.resolved = false;
    rows.AddAtTop(std::move(row));
  }

  const HistoryRow* top = rows.At(0);
  if (top && GetHistoryKind(top->FileName()) == HistoryKind::kText) {
    // Read only when the repeat check can use it: a newest text larger than
    // the bound is left unread, and copying it once more saves it again.
    if (ReadWholeFile(fs, historyDirectory + top->FileName(), fill.lastText, kMaxLastTextBytes))
      fill.lastText = ComparableHistoryText(fill.lastText);
  }
  return fill;
}

bool ResolveHistoryRow(FileSystem& fs, const std::string& historyDirectory, const std::string& exePath,
                       CFormatListTable& formats, HistoryRow& row) {
  auto imageRow = [&](int icon) {
    row.SetText(row.FileName());
    row.SetIconFile(exePath);
    row.iconIndex = icon;
    row.type = -1;
  };
  const std::string fileName = row.FileName();
  switch (GetHistoryKind(fileName)) {
    case HistoryKind::kNone:
      row.unreadable = true;
      return false;
    case HistoryKind::kText:
      row.SetText(MakePreviewText(fs, historyDirectory + fileName));
      row.SetIconFile(exePath);
      row.iconIndex = kTextIcon;
      row.type = 0;
      break;
    case HistoryKind::kBmp:
      imageRow(kBmpIcon);
      break;
    case HistoryKind::kGif:
      imageRow(kGifIcon);
      break;
    case HistoryKind::kJpg:
      imageRow(kJpgIcon);
      break;
    case HistoryKind::kClipboardFile: {
      std::string memo;
      CTextList names;
      if (ReadClipboardFileInfo(fs, historyDirectory + fileName, memo, &names) < 0) {
        row.unreadable = true;
        return false;
      }
      names.Sort();
      std::string formatList = MakeFormatList(names);
      std::string iconFile;
      int iconIndex = 0;
      int position = formats.FindFormatList(formatList, iconFile, iconIndex);
      if (position < 0) {
        iconFile = exePath;
        iconIndex = kNewFormatSetIcon;
        position = formats.AddFormatList(formatList, iconFile, iconIndex);
      }
      row.SetText(std::move(memo));
      row.SetIconFile(std::move(iconFile));
      row.iconIndex = iconIndex;
      row.type = position;
      break;
    }
  }
  row.resolved = true;
  return true;
}

}  // namespace kelvarion
