#include "desktop/desktop_lists.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/memory/memory_file_system.h"

namespace kelvarion {
namespace {

// Top-level windows as the switch sees them: visible or not, hung or not,
// each with its process. Hung and closed windows refuse to be shown or hidden.
class FakeWindows : public DesktopWindowPort {
 public:
  struct Window {
    bool visible = true;
    bool hung = false;
    std::uint32_t process = 100;
  };

  void Open(WindowId h, bool visible = true, std::uint32_t process = 100) {
    windows_[h] = {visible, false, process};
    order_.push_back(h);
  }
  void Close(WindowId h) {
    windows_.erase(h);
    std::erase(order_, h);
  }
  void Hang(WindowId h) { windows_.at(h).hung = true; }
  void SetVisible(WindowId h, bool visible) { windows_.at(h).visible = visible; }
  std::set<WindowId> Visible() const {
    std::set<WindowId> visible;
    for (const auto& [h, w] : windows_)
      if (w.visible) visible.insert(h);
    return visible;
  }
  // Every attempt to show or hide a hung window, which would cost a second.
  int hungAttempts = 0;
  std::vector<WindowId> shell;

  std::vector<WindowId> TopLevelWindows() override { return order_; }
  bool IsWindow(WindowId h) override { return windows_.count(h) != 0; }
  bool IsVisible(WindowId h) override { return IsWindow(h) && windows_.at(h).visible; }
  std::uint32_t ProcessId(WindowId h) override { return IsWindow(h) ? windows_.at(h).process : 0; }
  bool ShowIfResponsive(WindowId h, bool show) override {
    auto it = windows_.find(h);
    if (it == windows_.end()) return false;
    if (it->second.hung) {
      ++hungAttempts;
      return false;
    }
    it->second.visible = show;
    return true;
  }
  std::vector<WindowId> ShellWindows() override { return shell; }

 private:
  std::map<WindowId, Window> windows_;
  std::vector<WindowId> order_;
};

constexpr WindowId kFrame = 1;
constexpr WindowId kTaskbar = 2;
constexpr WindowId kDesktop = 3;
const char kJournal[] = "C:\\local\\HiddenWindows.txt";

class DesktopListsTest : public ::testing::Test {
 protected:
  DesktopListsTest() : lists_(files_, kJournal) {
    windows_.Open(kFrame);
    windows_.Open(kTaskbar);
    windows_.Open(kDesktop);
    windows_.shell = {kTaskbar, kDesktop, 999};  // 999: an indicator that is not there
    for (WindowId h : {10, 11, 12}) windows_.Open(h);
  }
  void Switch() { lists_.SwitchDesktop(windows_, {kFrame}); }
  std::set<WindowId> Visible() const { return windows_.Visible(); }
  std::vector<JournalEntry> Journal() const { return ParseJournal(files_.GetFile(kJournal)); }

  MemoryFileSystem files_;
  FakeWindows windows_;
  CDesktopLists lists_;
};

using Set = std::set<WindowId>;

TEST_F(DesktopListsTest, TwoSwitchesBringBackTheVisibleSetAndNewWindowsStayWhereTheyOpened) {
  const Set before = Visible();
  Switch();
  EXPECT_EQ(lists_.State(), 1);
  EXPECT_EQ(Visible(), (Set{kFrame, kTaskbar, kDesktop})) << "the first desktop's windows are hidden";
  windows_.Open(20);  // opened on the second desktop
  Switch();
  EXPECT_EQ(lists_.State(), 0);
  EXPECT_EQ(Visible(), before) << "back on the first desktop, without the window of the second";
  windows_.Open(21);  // opened on the first desktop
  Switch();
  EXPECT_EQ(Visible(), (Set{kFrame, kTaskbar, kDesktop, 20}));
  Switch();
  EXPECT_EQ(Visible(), (Set{kFrame, kTaskbar, kDesktop, 10, 11, 12, 21}));
  EXPECT_EQ(lists_.FirstList(), (std::vector<WindowId>{10, 11, 12, 21}));
  EXPECT_EQ(lists_.SecondList(), (std::vector<WindowId>{20}));
}

TEST_F(DesktopListsTest, HiddenHungAndGoneWindowsAreLeftAlone) {
  windows_.Open(30, false);  // hidden before the switch: not ours to show later
  windows_.Open(31);
  windows_.Hang(31);
  Switch();
  EXPECT_EQ(windows_.hungAttempts, 1) << "a hung window is tried once per switch";
  EXPECT_EQ(Visible(), (Set{kFrame, kTaskbar, kDesktop, 31}));
  EXPECT_EQ(lists_.FirstList(), (std::vector<WindowId>{10, 11, 12})) << "the hung window joins no list";
  windows_.Close(11);
  Switch();
  EXPECT_EQ(Visible(), (Set{kFrame, kTaskbar, kDesktop, 10, 12, 31}));
  EXPECT_FALSE(windows_.IsVisible(30));
}

TEST_F(DesktopListsTest, TheListAppliedHidesAtOnceAndTheSwitchesFollowIt) {
  // On the first desktop the user unticks 11.
  lists_.ApplyWindowList(windows_, 0, {12, 10}, {11});
  EXPECT_EQ(Visible(), (Set{kFrame, kTaskbar, kDesktop, 10, 12})) << "an unticked window disappears at once";
  Switch();
  EXPECT_EQ(Visible(), (Set{kFrame, kTaskbar, kDesktop, 11})) << "it shows on the second desktop";
  Switch();
  EXPECT_EQ(Visible(), (Set{kFrame, kTaskbar, kDesktop, 10, 12})) << "and hides again on the first";

  // On the second desktop the list gives 10 to it; a gone handle drops out.
  Switch();
  windows_.Close(12);
  lists_.ApplyWindowList(windows_, 1, {10, 11}, {});
  EXPECT_EQ(lists_.SecondList(), (std::vector<WindowId>{10, 11}));
  EXPECT_TRUE(lists_.FirstList().empty());
  EXPECT_EQ(Visible(), (Set{kFrame, kTaskbar, kDesktop, 10, 11}));
}

TEST_F(DesktopListsTest, TheListKeepsEveryWindowInOneListAndFollowsASwitchMadeWhileItWasOpen) {
  // A hidden window that its program showed again is in the list twice.
  lists_.ApplyWindowList(windows_, 0, {10, 11}, {11, 12, 12});
  EXPECT_EQ(lists_.FirstList(), (std::vector<WindowId>{10, 11}));
  EXPECT_EQ(lists_.SecondList(), (std::vector<WindowId>{12}));
  EXPECT_TRUE(windows_.IsVisible(11)) << "a window ticked anywhere stays visible";

  // Opened on the first desktop, applied after a switch to the second: the
  // first desktop's ticked windows are put away, its unticked ones shown.
  Switch();
  lists_.ApplyWindowList(windows_, 0, {10}, {11, 12});
  EXPECT_EQ(lists_.FirstList(), (std::vector<WindowId>{10}));
  EXPECT_EQ(lists_.SecondList(), (std::vector<WindowId>{11, 12}));
  EXPECT_EQ(Visible(), (Set{kFrame, kTaskbar, kDesktop, 11, 12}));
}

TEST_F(DesktopListsTest, RestoreShowsEveryListedWindowOnEitherDesktop) {
  for (int state : {0, 1}) {
    SCOPED_TRACE(state);
    if (lists_.State() != state) Switch();
    lists_.ApplyWindowList(windows_, state, {10}, {11, 12});
    ASSERT_FALSE(windows_.IsVisible(11));
    windows_.Close(12);  // gone meanwhile: tolerated
    lists_.RestoreDesktopWindows(windows_);
    EXPECT_TRUE(windows_.IsVisible(10) && windows_.IsVisible(11));
    EXPECT_FALSE(files_.HasFile(kJournal)) << "nothing is hidden any more";
    windows_.Open(12);
  }
}

TEST_F(DesktopListsTest, TheJournalHoldsTheHiddenWindowsWhileThereAreAny) {
  windows_.Open(40, true, 7);
  Switch();
  EXPECT_EQ(Journal(), (std::vector<JournalEntry>{{10, 100}, {11, 100}, {12, 100}, {40, 7}}));
  windows_.Close(11);
  Switch();
  EXPECT_FALSE(files_.HasFile(kJournal)) << "the first desktop shows them all";
  lists_.ApplyWindowList(windows_, 0, {10, 12}, {11, 40});
  EXPECT_EQ(Journal(), (std::vector<JournalEntry>{{40, 7}})) << "a gone window is not written";
  EXPECT_FALSE(files_.HasFile("C:\\local\\~HiddenWindows.txt.tmp"));
}

TEST_F(DesktopListsTest, TheNextStartShowsWhatAnEarlierRunLeftHidden) {
  windows_.Open(50, false, 7);  // ours, still hidden
  windows_.Open(51, false, 8);  // the handle now names a window of another program
  windows_.Open(52, true, 7);   // shown again meanwhile
  windows_.Open(53, false, 7);  // ours, but hung
  windows_.Hang(53);
  files_.PutFile(kJournal, FormatJournal({{50, 7}, {51, 7}, {52, 7}, {53, 7}, {54, 7}}) + "junk\r\n12 x\r\n");
  EXPECT_EQ(lists_.ShowWindowsLeftHidden(windows_), 1);
  EXPECT_TRUE(windows_.IsVisible(50));
  EXPECT_FALSE(windows_.IsVisible(51)) << "another program's hidden window is not ours to show";
  EXPECT_EQ(lists_.SecondList(), (std::vector<WindowId>{53})) << "the hung window is kept, not lost";
  EXPECT_EQ(Journal(), (std::vector<JournalEntry>{{53, 7}}));
}

TEST(DesktopJournal, ParseReadsWhatFormatWrites) {
  const std::vector<JournalEntry> entries = {{1, 0}, {0xFFFFFFFFull, 4294967295u}, {65602, 32}};
  EXPECT_EQ(ParseJournal(FormatJournal(entries)), entries);
  EXPECT_EQ(ParseJournal("5 6"), (std::vector<JournalEntry>{{5, 6}})) << "the last line needs no line end";
  for (const char* bad : {"", "5", "5 ", " 5 6", "5  6", "5 6 7", "0 6", "-5 6", "5 99999999999", "a b"})
    EXPECT_TRUE(ParseJournal(bad).empty()) << "'" << bad << "' is no entry";
}

}  // namespace
}  // namespace kelvarion
