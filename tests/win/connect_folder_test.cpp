#include "app/connect_folder_win.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "win/process.h"
#include "win/text_win.h"

namespace kelvarion {
namespace {

// Stands in for the network: answers each connection attempt from a script
// and records every call in order.
struct FakeNetwork {
  std::vector<DWORD> addAnswers;  // one per attempt; NO_ERROR once they run out
  std::size_t adds = 0;
  DWORD cancelAnswer = NO_ERROR;
  std::vector<std::wstring> calls;
  std::optional<std::wstring> lastUser, lastPassword;
  NETRESOURCEW lastResource{};
  std::wstring lastRemote;

  NetworkConnections Connections() {
    NetworkConnections c;
    c.add = [this](NETRESOURCEW& resource, const wchar_t* password, const wchar_t* user) {
      lastResource = resource;
      lastRemote = resource.lpRemoteName ? resource.lpRemoteName : L"";
      lastUser = user ? std::optional<std::wstring>(user) : std::nullopt;
      lastPassword = password ? std::optional<std::wstring>(password) : std::nullopt;
      calls.push_back(L"add " + lastRemote);
      return adds < addAnswers.size() ? addAnswers[adds++] : DWORD{NO_ERROR};
    };
    c.cancel = [this](const wchar_t* name, BOOL force) {
      calls.push_back(std::wstring(force ? L"force-cancel " : L"cancel ") + name);
      return cancelAnswer;
    };
    return c;
  }
};

const std::wstring kShare = L"\\\\server\\共享";

TEST(ConnectFolder, AWorkingConnectionIsUsedAndNeverCut) {
  struct Case {
    DWORD answer;
    const char* what;
  };
  const Case cases[] = {
      {NO_ERROR, "the folder connects"},
      {ERROR_ALREADY_ASSIGNED, "a connection is there already"},
      {ERROR_BAD_NETPATH, "the server cannot be found"},
      {ERROR_ACCESS_DENIED, "wrong password"},
  };
  for (const Case& c : cases) {
    FakeNetwork net;
    net.addAnswers = {c.answer};
    EXPECT_EQ(ConnectNetworkFolder({Narrow(kShare), "bob", "secret"}, net.Connections()), c.answer) << c.what;
    EXPECT_EQ(net.calls, std::vector<std::wstring>{L"add " + kShare}) << c.what << ": one attempt and no cancel";
  }
}

TEST(ConnectFolder, OnlyACredentialConflictCancelsGentlyAndTriesAgain) {
  FakeNetwork net;
  net.addAnswers = {ERROR_SESSION_CREDENTIAL_CONFLICT, NO_ERROR};
  EXPECT_EQ(ConnectNetworkFolder({Narrow(kShare), "bob", "secret"}, net.Connections()), DWORD{NO_ERROR});
  EXPECT_EQ(net.calls, (std::vector<std::wstring>{L"add " + kShare, L"cancel " + kShare, L"add " + kShare}))
      << "the earlier connection is cancelled without force, so open files keep it";

  FakeNetwork busy;
  busy.addAnswers = {ERROR_SESSION_CREDENTIAL_CONFLICT};
  busy.cancelAnswer = ERROR_OPEN_FILES;
  EXPECT_EQ(ConnectNetworkFolder({Narrow(kShare), "bob", "secret"}, busy.Connections()),
            DWORD{ERROR_SESSION_CREDENTIAL_CONFLICT});
  EXPECT_EQ(busy.calls, (std::vector<std::wstring>{L"add " + kShare, L"cancel " + kShare}))
      << "a connection still in use stays, and trying again could only meet the same conflict";
}

TEST(ConnectFolder, EmptyUserAndPasswordAreNullAndTheResourceNamesTheFolder) {
  struct Case {
    std::string user, password;
    std::optional<std::wstring> wantUser, wantPassword;
  };
  const Case cases[] = {
      {"", "", std::nullopt, std::nullopt},
      {"bob", "", L"bob", std::nullopt},
      {"", "secret", std::nullopt, L"secret"},
      {"张三", "密码", L"张三", L"密码"},
  };
  for (const Case& c : cases) {
    FakeNetwork net;
    ConnectNetworkFolder({Narrow(kShare), c.user, c.password}, net.Connections());
    EXPECT_EQ(net.lastUser, c.wantUser) << "user '" << c.user << "': an empty one is null, the default credentials";
    EXPECT_EQ(net.lastPassword, c.wantPassword) << "password '" << c.password << "'";
  }
  FakeNetwork net;
  ConnectNetworkFolder({Narrow(kShare), "", ""}, net.Connections());
  EXPECT_EQ(net.lastRemote, kShare);
  EXPECT_EQ(net.lastResource.dwScope, DWORD{RESOURCE_CONNECTED});
  EXPECT_EQ(net.lastResource.dwType, DWORD{RESOURCETYPE_ANY});
  EXPECT_EQ(net.lastResource.dwUsage, DWORD{RESOURCEUSAGE_CONNECTABLE});
  EXPECT_EQ(net.lastResource.lpLocalName, nullptr) << "no drive letter is taken";
  EXPECT_EQ(net.lastResource.lpProvider, nullptr);
}

TEST(Process, TheExplorerIsTheOneInTheWindowsDirectory) {
  wchar_t windows[MAX_PATH];
  ASSERT_GT(GetSystemWindowsDirectoryW(windows, MAX_PATH), 0u);
  const std::string path = ExplorerPath();
  EXPECT_EQ(CompareStringOrdinal(Widen(path).c_str(), -1, (std::wstring(windows) + L"\\explorer.exe").c_str(), -1,
                                 TRUE),
            CSTR_EQUAL)
      << path;
  EXPECT_NE(GetFileAttributesW(Widen(path).c_str()), INVALID_FILE_ATTRIBUTES) << path << " is there";
}

}  // namespace
}  // namespace kelvarion
