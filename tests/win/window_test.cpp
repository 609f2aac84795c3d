#include "win/window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "message_pump.h"
#include "win/handles.h"

namespace kelvarion {
namespace {

constexpr wchar_t kClassName[] = L"KelvarionWindowTest";
constexpr UINT kPing = WM_APP + 1;

bool Contains(const std::vector<UINT>& messages, UINT msg) {
  return std::find(messages.begin(), messages.end(), msg) != messages.end();
}

class RecordingWindow : public Window {
 public:
  ~RecordingWindow() override { Destroy(); }

  std::vector<UINT> messages;
  HWND hwndAtCreate = nullptr;
  bool failCreate = false;
  bool finalCalled = false;
  LONG_PTR userDataAtFinal = -1;
  int pings = 0;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    messages.push_back(msg);
    switch (msg) {
      case WM_CREATE:
        hwndAtCreate = Hwnd();
        return failCreate ? -1 : 0;
      case kPing:
        ++pings;
        return static_cast<LRESULT>(wParam + lParam);
    }
    return DefaultProc(msg, wParam, lParam);
  }
  void OnFinalMessage(HWND hwnd) override {
    finalCalled = true;
    userDataAtFinal = GetWindowLongPtrW(hwnd, GWLP_USERDATA);
  }
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(RegisterWindowClass({.name = kClassName})) << "class registration failed"; }
  static Window::CreateArgs Popup() { return {.style = WS_POPUP, .title = L"window test", .width = 50, .height = 50}; }
};

TEST_F(WindowTest, RegisteringTheSameClassAgainSucceeds) {
  EXPECT_TRUE(RegisterWindowClass({.name = kClassName})) << "a second registration must count as success";
  EXPECT_FALSE(RegisterWindowClass({})) << "a class without a name must be refused";
}

TEST_F(WindowTest, MessagesReachTheObjectsVirtual) {
  RecordingWindow window;
  HWND hwnd = window.Create(kClassName, Popup());
  ASSERT_TRUE(hwnd) << "CreateWindowExW failed: " << GetLastError();
  EXPECT_EQ(window.Hwnd(), hwnd) << "Hwnd() must be the created window";
  EXPECT_EQ(window.hwndAtCreate, hwnd) << "the handle must be known by WM_CREATE";
  ASSERT_FALSE(window.messages.empty());
  EXPECT_EQ(window.messages.front(), static_cast<UINT>(WM_NCCREATE)) << "WM_NCCREATE must be the first message seen";
  EXPECT_TRUE(Contains(window.messages, WM_CREATE)) << "WM_CREATE did not reach the virtual";
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&window))
      << "the object must be stored in GWLP_USERDATA";

  EXPECT_EQ(SendMessageW(hwnd, kPing, 2, 3), 5) << "the virtual's result must be the message's result";
  ASSERT_TRUE(PostMessageW(hwnd, kPing, 0, 0));
  EXPECT_TRUE(test::PumpUntil([&] { return window.pings == 2; })) << "a posted message never reached the virtual";
}

TEST_F(WindowTest, EachWindowReachesItsOwnObject) {
  RecordingWindow first;
  RecordingWindow second;
  ASSERT_TRUE(first.Create(kClassName, Popup()));
  ASSERT_TRUE(second.Create(kClassName, Popup()));
  SendMessageW(second.Hwnd(), kPing, 0, 0);
  SendMessageW(second.Hwnd(), kPing, 0, 0);
  SendMessageW(first.Hwnd(), kPing, 0, 0);
  EXPECT_EQ(first.pings, 1) << "messages of one window went to another window's object";
  EXPECT_EQ(second.pings, 2) << "messages of one window went to another window's object";
}

TEST_F(WindowTest, DestroyTakesTheObjectOffTheWindow) {
  RecordingWindow window;
  HWND hwnd = window.Create(kClassName, Popup());
  ASSERT_TRUE(hwnd);
  EXPECT_TRUE(window.Destroy());
  EXPECT_FALSE(IsWindow(hwnd)) << "Destroy() left the window alive";
  EXPECT_EQ(window.Hwnd(), nullptr) << "Hwnd() must be null once the window is gone";
  EXPECT_TRUE(window.finalCalled) << "OnFinalMessage was not called";
  EXPECT_EQ(window.userDataAtFinal, 0) << "GWLP_USERDATA still points at the object after WM_NCDESTROY";
  ASSERT_GE(window.messages.size(), 2u);
  EXPECT_EQ(window.messages.back(), static_cast<UINT>(WM_NCDESTROY)) << "WM_NCDESTROY must be the last message";
  EXPECT_TRUE(Contains(window.messages, WM_DESTROY)) << "WM_DESTROY did not reach the virtual";
  EXPECT_FALSE(window.Destroy()) << "a second Destroy() has nothing to destroy";
}

TEST_F(WindowTest, CloseThroughDefaultHandlingDestroysTheWindow) {
  RecordingWindow window;
  HWND hwnd = window.Create(kClassName, Popup());
  ASSERT_TRUE(hwnd);
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(hwnd)) << "WM_CLOSE through DefaultProc must destroy the window";
  EXPECT_EQ(window.Hwnd(), nullptr);
}

TEST_F(WindowTest, ObjectGoingAwayDestroysItsWindow) {
  HWND hwnd = nullptr;
  {
    RecordingWindow window;
    hwnd = window.Create(kClassName, Popup());
    ASSERT_TRUE(hwnd);
  }
  EXPECT_FALSE(IsWindow(hwnd)) << "the window outlived its object";

  // The base destructor alone must do it too (a class without its own).
  struct Plain : Window {};
  auto* plain = new Plain;
  hwnd = plain->Create(kClassName, Popup());
  ASSERT_TRUE(hwnd);
  delete plain;
  EXPECT_FALSE(IsWindow(hwnd)) << "the base destructor left the window alive";
}

TEST_F(WindowTest, FailedCreationLeavesNoHandle) {
  RecordingWindow window;
  window.failCreate = true;
  EXPECT_EQ(window.Create(kClassName, Popup()), nullptr) << "WM_CREATE returning -1 must fail Create()";
  EXPECT_EQ(window.Hwnd(), nullptr) << "a failed window must leave Hwnd() null";
  EXPECT_TRUE(window.finalCalled) << "the failed window still goes through WM_NCDESTROY";

  RecordingWindow unknownClass;
  EXPECT_EQ(unknownClass.Create(L"KelvarionNoSuchClass", Popup()), nullptr);
  EXPECT_EQ(unknownClass.Hwnd(), nullptr);
}

TEST_F(WindowTest, ObjectMayDeleteItselfInOnFinalMessage) {
  struct SelfDeleting : Window {
    bool* deleted = nullptr;
    ~SelfDeleting() override { *deleted = true; }
    void OnFinalMessage(HWND) override { delete this; }
  };
  bool deleted = false;
  auto* window = new SelfDeleting;
  window->deleted = &deleted;
  HWND hwnd = window->Create(kClassName, Popup());
  ASSERT_TRUE(hwnd);
  DestroyWindow(hwnd);
  EXPECT_TRUE(deleted) << "the object was not deleted by its final message";
  EXPECT_FALSE(IsWindow(hwnd));
}

// A stock EDIT control seen through the subclass: records, may swallow
// characters, and writes to a log shared with other subclasses.
class RecordingEdit : public SubclassedControl {
 public:
  RecordingEdit(char name, std::string* log) : name_(name), log_(log) {}
  std::vector<UINT> messages;
  wchar_t swallow = 0;
  bool finalCalled = false;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    messages.push_back(msg);
    if (msg == WM_SETTEXT && log_) *log_ += name_;
    if (msg == WM_CHAR && static_cast<wchar_t>(wParam) == swallow) return 0;
    return DefaultProc(msg, wParam, lParam);
  }
  void OnFinalMessage(HWND) override { finalCalled = true; }

 private:
  char name_;
  std::string* log_;
};

std::wstring TextOf(HWND hwnd) {
  wchar_t buffer[256] = {};
  GetWindowTextW(hwnd, buffer, 256);
  return buffer;
}

class SubclassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    edit_.reset(CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_AUTOHSCROLL, 0, 0, 200, 30, nullptr, nullptr,
                                nullptr, nullptr));
    ASSERT_TRUE(edit_.get()) << "no EDIT control: " << GetLastError();
  }
  WindowHandle edit_;
};

TEST_F(SubclassTest, EditMessagesPassThroughTheObject) {
  RecordingEdit edit('a', nullptr);
  ASSERT_TRUE(edit.Attach(edit_.get())) << "SetWindowSubclass failed";
  EXPECT_EQ(edit.Hwnd(), edit_.get());
  EXPECT_FALSE(edit.Attach(edit_.get())) << "attaching an attached object must fail";

  SendMessageW(edit_.get(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  edit.swallow = L'x';
  for (wchar_t c : std::wstring(L"xyzx")) SendMessageW(edit_.get(), WM_CHAR, c, 1);
  EXPECT_TRUE(Contains(edit.messages, WM_SETTEXT)) << "WM_SETTEXT did not reach the subclass";
  EXPECT_EQ(std::count(edit.messages.begin(), edit.messages.end(), static_cast<UINT>(WM_CHAR)), 4)
      << "not every WM_CHAR reached the subclass";
  EXPECT_EQ(TextOf(edit_.get()), L"yz") << "the control's own handling must see what the subclass passes on, only that";

  edit.Detach();
  edit.messages.clear();
  SendMessageW(edit_.get(), WM_CHAR, L'x', 1);
  EXPECT_TRUE(edit.messages.empty()) << "a detached subclass still sees messages";
  EXPECT_EQ(TextOf(edit_.get()), L"yzx") << "the control must work as before once detached";
}

TEST_F(SubclassTest, LastAttachedSeesMessagesFirst) {
  std::string log;
  RecordingEdit first('1', &log);
  RecordingEdit second('2', &log);
  ASSERT_TRUE(first.Attach(edit_.get()));
  ASSERT_TRUE(second.Attach(edit_.get())) << "a second subclass on one control must be possible";
  SendMessageW(edit_.get(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"abc"));
  EXPECT_EQ(log, "21") << "subclasses must chain, the last attached first";
  EXPECT_EQ(TextOf(edit_.get()), L"abc");

  log.clear();
  first.Detach();
  SendMessageW(edit_.get(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"def"));
  EXPECT_EQ(log, "2") << "detaching one subclass must leave the other in place";
  EXPECT_EQ(TextOf(edit_.get()), L"def");
}

TEST_F(SubclassTest, DestroyedControlDetachesTheObject) {
  RecordingEdit edit('a', nullptr);
  HWND control = edit_.get();
  ASSERT_TRUE(edit.Attach(control));
  edit_.reset();
  EXPECT_FALSE(IsWindow(control));
  EXPECT_EQ(edit.Hwnd(), nullptr) << "the object still names a destroyed control";
  EXPECT_TRUE(edit.finalCalled) << "OnFinalMessage was not called";
  ASSERT_FALSE(edit.messages.empty());
  EXPECT_EQ(edit.messages.back(), static_cast<UINT>(WM_NCDESTROY)) << "WM_NCDESTROY must reach the subclass last";
}

}  // namespace
}  // namespace kelvarion
