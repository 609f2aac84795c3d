#include "win/dialog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "message_pump.h"

namespace kelvarion {
namespace {

constexpr int kEditId = 100;
constexpr WORD kCustomCommand = 1234;
constexpr UINT kAsk = WM_APP + 7;
constexpr UINT_PTR kDeadlineTimer = 1;
constexpr INT_PTR kDeadlinePassed = -2;

static_assert(sizeof(DLGTEMPLATE) == 18 && sizeof(DLGITEMTEMPLATE) == 18, "templates are packed on 2 bytes");

// An in-memory dialog template: a caption, an OK button and an edit box.
class DialogTemplate {
 public:
  DialogTemplate() {
    Align();
    std::size_t head = words_.size();
    words_.resize(head + sizeof(DLGTEMPLATE) / sizeof(WORD));
    auto* dt = reinterpret_cast<DLGTEMPLATE*>(&words_[head]);
    dt->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    dt->cdit = 2;
    dt->cx = 160;
    dt->cy = 60;
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the dialog class
    Text(L"Dialog test");
    words_.push_back(9);
    Text(L"MS Shell Dlg");
    Item(IDOK, 0x0080, WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, L"OK", 100, 40);
    Item(kEditId, 0x0081, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, L"", 10, 10);
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Align() {
    if (words_.size() % 2) words_.push_back(0);
  }
  void Text(const wchar_t* text) {
    for (; *text; ++text) words_.push_back(static_cast<WORD>(*text));
    words_.push_back(0);
  }
  void Item(WORD id, WORD atom, DWORD style, const wchar_t* text, short x, short y) {
    Align();
    std::size_t head = words_.size();
    words_.resize(head + sizeof(DLGITEMTEMPLATE) / sizeof(WORD));
    auto* item = reinterpret_cast<DLGITEMTEMPLATE*>(&words_[head]);
    item->style = style;
    item->x = x;
    item->y = y;
    item->cx = 50;
    item->cy = 14;
    item->id = id;
    words_.push_back(0xFFFF);
    words_.push_back(atom);
    Text(text);
    words_.push_back(0);  // no creation data
  }
  std::vector<WORD> words_;
};

class TestDialog : public Dialog {
 public:
  WPARAM commandToPost = 0;
  HWND hwndAtInit = nullptr;
  std::wstring editClass;
  bool okCalled = false;
  bool cancelCalled = false;

 protected:
  BOOL OnInitDialog() override {
    hwndAtInit = Hwnd();
    wchar_t name[32] = {};
    GetClassNameW(GetItem(kEditId), name, 32);
    editClass = name;
    // Whatever else happens, the modal run ends by this deadline.
    SetTimer(Hwnd(), kDeadlineTimer, 5000, nullptr);
    if (commandToPost) PostMessageW(Hwnd(), WM_COMMAND, commandToPost, 0);
    return TRUE;
  }
  void OnOK() override {
    okCalled = true;
    Dialog::OnOK();
  }
  void OnCancel() override {
    cancelCalled = true;
    Dialog::OnCancel();
  }
  INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_TIMER:
        if (wParam == kDeadlineTimer) EndDialog(kDeadlinePassed);
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(wParam) == kCustomCommand) {
          EndDialog(42);
          return TRUE;
        }
        break;
      case kAsk:
        return SetMessageResult(static_cast<LRESULT>(wParam) * 7);
      case WM_DESTROY:
        KillTimer(Hwnd(), kDeadlineTimer);
        break;
    }
    return Dialog::DialogProc(msg, wParam, lParam);
  }
};

struct ModalCase {
  const char* name;
  WPARAM command;
  INT_PTR expected;
  bool ok;
  bool cancel;
  friend void PrintTo(const ModalCase& c, std::ostream* os) { *os << c.name; }
};

class ModalDialogTest : public ::testing::TestWithParam<ModalCase> {};

TEST_P(ModalDialogTest, PostedCommandEndsTheRunWithItsResult) {
  const ModalCase& c = GetParam();
  DialogTemplate dialogTemplate;
  TestDialog dialog;
  dialog.commandToPost = c.command;
  INT_PTR result = dialog.DoModalIndirect(nullptr, dialogTemplate.get());
  ASSERT_NE(result, -1) << "DialogBoxIndirectParamW failed: " << GetLastError();
  ASSERT_NE(result, kDeadlinePassed) << "the posted command never ended the dialog";
  EXPECT_EQ(result, c.expected) << "the run must return what EndDialog was given";
  EXPECT_TRUE(dialog.hwndAtInit) << "Hwnd() must be set by OnInitDialog";
  EXPECT_EQ(dialog.editClass, L"Edit") << "the template's controls must exist by OnInitDialog";
  EXPECT_EQ(dialog.okCalled, c.ok) << "OnOK called or not called wrongly";
  EXPECT_EQ(dialog.cancelCalled, c.cancel) << "OnCancel called or not called wrongly";
  EXPECT_EQ(dialog.Hwnd(), nullptr) << "Hwnd() must be null after the run";
  EXPECT_FALSE(IsWindow(dialog.hwndAtInit)) << "the dialog window outlived its run";
  EXPECT_FALSE(dialog.IsModal());
}

INSTANTIATE_TEST_SUITE_P(Commands, ModalDialogTest,
                         ::testing::Values(ModalCase{"Ok", IDOK, IDOK, true, false},
                                           ModalCase{"Cancel", IDCANCEL, IDCANCEL, false, true},
                                           ModalCase{"Custom", kCustomCommand, 42, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ModalDialog, SecondRunOfTheSameObjectWorks) {
  DialogTemplate dialogTemplate;
  TestDialog dialog;
  dialog.commandToPost = IDOK;
  ASSERT_EQ(dialog.DoModalIndirect(nullptr, dialogTemplate.get()), IDOK);
  dialog.commandToPost = IDCANCEL;
  EXPECT_EQ(dialog.DoModalIndirect(nullptr, dialogTemplate.get()), IDCANCEL) << "a finished dialog object must run again";
}

TEST(ModelessDialog, LivesUntilEndedAndAnswersThroughItsObject) {
  DialogTemplate dialogTemplate;
  TestDialog dialog;
  HWND hwnd = dialog.CreateModelessIndirect(nullptr, dialogTemplate.get());
  ASSERT_TRUE(hwnd) << "CreateDialogIndirectParamW failed: " << GetLastError();
  EXPECT_EQ(dialog.Hwnd(), hwnd);
  EXPECT_FALSE(dialog.IsModal());
  EXPECT_EQ(GetWindowLongPtrW(hwnd, DWLP_USER), reinterpret_cast<LONG_PTR>(&dialog))
      << "the object must be kept in DWLP_USER";
  EXPECT_EQ(dialog.CreateModelessIndirect(nullptr, dialogTemplate.get()), nullptr)
      << "an open dialog object must refuse a second window";
  EXPECT_EQ(SendMessageW(hwnd, kAsk, 6, 0), 42) << "SetMessageResult must become the message's result";

  PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(test::PumpUntil([&] { return dialog.Hwnd() == nullptr; })) << "IDCANCEL did not end the dialog";
  EXPECT_TRUE(dialog.cancelCalled);
  EXPECT_FALSE(IsWindow(hwnd)) << "EndDialog on a modeless dialog must destroy it";
}

TEST(ModelessDialog, ObjectGoingAwayDestroysTheDialog) {
  DialogTemplate dialogTemplate;
  HWND hwnd = nullptr;
  {
    TestDialog dialog;
    hwnd = dialog.CreateModelessIndirect(nullptr, dialogTemplate.get());
    ASSERT_TRUE(hwnd);
  }
  EXPECT_FALSE(IsWindow(hwnd)) << "the modeless dialog outlived its object";
}

}  // namespace
}  // namespace kelvarion
