#include "win/fetch_url_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kelvarion {
namespace {

std::string Response(int status, const std::string& reason, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason +
         "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

// An HTTP server on 127.0.0.1 for one test: answers each request with the
// canned reply for its path (404 for any other) and remembers the request heads.
class TinyHttpServer {
 public:
  explicit TinyHttpServer(std::map<std::string, std::string> replies) : replies_(std::move(replies)) {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(address);
    if (listener_ == INVALID_SOCKET || bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener_, 8) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~TinyHttpServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    if (started_) WSACleanup();
  }

  int port() const { return port_; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  // Waits at most timeoutMs for the socket to become readable.
  static bool Readable(SOCKET s, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &tv) == 1;
  }

  void Serve() {
    while (!stop_) {
      // Short waits so that the destructor is noticed; connections are answered at once.
      if (!Readable(listener_, 50)) continue;
      SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) continue;
      Answer(client);
      closesocket(client);
    }
  }

  void Answer(SOCKET client) {
    std::string head;
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while (head.find("\r\n\r\n") == std::string::npos && GetTickCount64() < deadline) {
      if (!Readable(client, 100)) continue;
      char buffer[1024];
      int n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      head.append(buffer, n);
    }
    // "GET /path HTTP/1.1", or "GET http://host/path HTTP/1.1" through a proxy.
    std::size_t first = head.find(' ');
    std::size_t second = head.find(' ', first + 1);
    std::string target = first == std::string::npos ? "" : head.substr(first + 1, second - first - 1);
    std::string path = target;
    if (path.rfind("http://", 0) == 0) {
      std::size_t slash = path.find('/', 7);
      path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(head);
    }
    auto found = replies_.find(path);
    std::string reply = found != replies_.end() ? found->second : Response(404, "Not Found", "no such page");
    for (std::size_t sent = 0; sent < reply.size();) {
      int n = send(client, reply.data() + sent, static_cast<int>(reply.size() - sent), 0);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    shutdown(client, SD_SEND);
    // Let the client read everything before the socket goes: wait for its close.
    while (Readable(client, 2000)) {
      char buffer[256];
      if (recv(client, buffer, sizeof buffer, 0) <= 0) break;
    }
  }

  std::map<std::string, std::string> replies_;
  bool started_ = false;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> requests_;
};

constexpr char kAgent[] = "KELVARION-test-agent";

struct BodyCase {
  const char* name;
  std::string body;
  std::string expected;
  friend void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }
};

class FetchUrlBodyTest : public ::testing::TestWithParam<BodyCase> {};

TEST_P(FetchUrlBodyTest, EveryLineEndsInCrLfPlusOneForTheEnd) {
  const BodyCase& c = GetParam();
  TinyHttpServer server({{"/page", Response(200, "OK", c.body)}});
  ASSERT_NE(server.port(), 0) << "the test server did not start";
  std::string text = "previous text";
  int result = FetchUrlText(server.Url("/page"), text, kAgent, "");
  ASSERT_EQ(result, 0) << "status 200 must give 0";
  EXPECT_EQ(text, c.expected) << "body " << ::testing::PrintToString(c.body) << " read wrongly";
}

const std::string kLong(10000, 'x');
const std::string kBlock(4095, 'y');  // CR as the last byte of the first read block

INSTANTIATE_TEST_SUITE_P(
    Bodies, FetchUrlBodyTest,
    ::testing::Values(BodyCase{"TwoLines", "a\nb", "a\r\nb\r\n\r\n"},
                      BodyCase{"TwoLinesEndedByLf", "a\nb\n", "a\r\nb\r\n\r\n"},
                      BodyCase{"CrLfLines", "a\r\nb\r\n", "a\r\nb\r\n\r\n"},
                      BodyCase{"EmptyBody", "", "\r\n"},
                      BodyCase{"BlankLineInside", "a\n\nb", "a\r\n\r\nb\r\n\r\n"},
                      BodyCase{"LoneCrStays", "a\rb", "a\rb\r\n\r\n"},
                      BodyCase{"ChineseBytesPassThrough", "有新版本\n乗", "有新版本\r\n乗\r\n\r\n"},
                      BodyCase{"LineLongerThanAReadBlock", kLong + "\nz", kLong + "\r\nz\r\n\r\n"},
                      BodyCase{"CrLfAcrossReadBlocks", kBlock + "\r\nz", kBlock + "\r\nz\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FetchUrlText, SendsTheAgentAndAvoidsCaches) {
  TinyHttpServer server({{"/page", Response(200, "OK", "x")}});
  std::string text;
  ASSERT_EQ(FetchUrlText(server.Url("/page"), text, kAgent, ""), 0);
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u) << "one fetch must make one request";
  EXPECT_NE(requests[0].find(std::string("User-Agent: ") + kAgent + "\r\n"), std::string::npos)
      << "the agent name was not sent: " << requests[0];
  EXPECT_EQ(requests[0].rfind("GET /page HTTP/1.", 0), 0u) << "not a plain GET of the path: " << requests[0];
}

TEST(FetchUrlText, OtherStatusesComeBackWithTheTextUntouched) {
  TinyHttpServer server({{"/error", Response(500, "Internal Server Error", "broken\n")},
                         {"/nothing", Response(204, "No Content", "")}});
  struct Case {
    const char* path;
    int status;
  };
  for (Case c : {Case{"/missing", 404}, Case{"/error", 500}, Case{"/nothing", 204}}) {
    std::string text = "keep me";
    EXPECT_EQ(FetchUrlText(server.Url(c.path), text, kAgent, ""), c.status) << c.path << ": wrong status returned";
    EXPECT_EQ(text, "keep me") << c.path << ": the text must be left alone";
  }
}

TEST(FetchUrlText, NamedProxyCarriesTheRequest) {
  TinyHttpServer proxy({{"/news", Response(200, "OK", "via proxy")}});
  std::string text;
  const std::string proxyName = "127.0.0.1:" + std::to_string(proxy.port());
  ASSERT_EQ(FetchUrlText("http://kelvarion-update.invalid/news", text, kAgent, proxyName), 0)
      << "the request did not go through the named proxy";
  EXPECT_EQ(text, "via proxy\r\n\r\n");
  auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 1u);
  // Wine writes the default port into the target ("...invalid:80/news").
  const std::string line = requests[0].substr(0, requests[0].find("\r\n"));
  EXPECT_TRUE(line.rfind("GET http://kelvarion-update.invalid/news HTTP/1.", 0) == 0 ||
              line.rfind("GET http://kelvarion-update.invalid:80/news HTTP/1.", 0) == 0)
      << "a proxy must be asked for the full URL: " << line;
}

TEST(FetchUrlText, UnreachableServerGivesMinusOneWithTheTextUntouched) {
  // A port that was free a moment ago and has nobody listening now.
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof(address);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&address), &size), 0);
  closesocket(s);
  WSACleanup();

  struct Case {
    const char* what;
    std::string url;
  };
  const Case cases[] = {
      {"a closed port", "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/"},
      {"an unknown host", "http://kelvarion-no-such-host.invalid/"},
      {"a malformed URL", "not a url"},
  };
  for (const Case& c : cases) {
    std::string text = "keep me";
    EXPECT_EQ(FetchUrlText(c.url, text, kAgent, ""), -1) << c.what << " must give -1";
    EXPECT_EQ(text, "keep me") << c.what << ": the text must be left alone";
  }
}

// A server that accepts the connection and then says nothing, or sends its
// head and then trickles a body that never ends.
class StuckServer {
 public:
  explicit StuckServer(bool trickle) : trickle_(trickle) {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(address);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~StuckServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (SOCKET c : clients_) closesocket(c);
    closesocket(listener_);
    if (started_) WSACleanup();
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/news"; }
  int port() const { return port_; }

 private:
  void Serve() {
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 100000000\r\n\r\n";
    while (!stop_) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(listener_, &set);
      timeval tv = {0, 50000};
      if (select(0, &set, nullptr, nullptr, &tv) == 1) {
        SOCKET c = accept(listener_, nullptr, nullptr);
        if (c != INVALID_SOCKET) {
          clients_.push_back(c);
          if (trickle_) send(c, head.data(), static_cast<int>(head.size()), 0);
        }
      }
      if (trickle_)
        for (SOCKET c : clients_) send(c, "x\n", 2, 0);
    }
  }
  bool trickle_;
  bool started_ = false;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<SOCKET> clients_;
};

TEST(FetchUrlText, AServerThatNeverFinishesIsGivenUpWithinTheTimeout) {
  for (bool trickle : {false, true}) {
    StuckServer server(trickle);
    ASSERT_NE(server.port(), 0) << "the test server did not start";
    std::string text = "keep me";
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(FetchUrlText(server.Url(), text, kAgent, "", 500), -1)
        << (trickle ? "an endless body" : "a silent server") << " must give -1";
    const ULONGLONG spent = GetTickCount64() - start;
    // Twice the timeout is the limit for the whole fetch; a little more for a busy machine.
    EXPECT_LT(spent, 2500u) << (trickle ? "an endless body" : "a silent server") << " held the fetch too long";
    EXPECT_EQ(text, "keep me");
  }
}

}  // namespace
}  // namespace kelvarion
