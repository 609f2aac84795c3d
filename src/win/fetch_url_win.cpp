#include "win/fetch_url_win.h"

#include <windows.h>

#include <wininet.h>

#include "win/handles.h"
#include "win/text_win.h"

namespace kelvarion {

namespace {

constexpr DWORD kReadBlock = 4096;

// The body as the about box shows it: every line ended by CR LF, and the last
// read (the one that finds nothing more) adds an empty line.
std::string LinesWithCrLf(const std::string& body) {
  std::string out;
  out.reserve(body.size() + body.size() / 8 + 4);
  std::size_t start = 0;
  while (start < body.size()) {
    std::size_t lineFeed = body.find('\n', start);
    std::size_t end = lineFeed == std::string::npos ? body.size() : lineFeed;
    std::size_t next = lineFeed == std::string::npos ? body.size() : lineFeed + 1;
    if (lineFeed != std::string::npos && end > start && body[end - 1] == '\r') --end;
    out.append(body, start, end - start);
    out += "\r\n";
    start = next;
  }
  out += "\r\n";
  return out;
}

}  // namespace

int FetchUrlText(const std::string& url, std::string& text, const std::string& agent, const std::string& proxy) {
  const std::wstring wideProxy = Widen(proxy);
  InternetHandle session(InternetOpenW(Widen(agent).c_str(),
                                       proxy.empty() ? INTERNET_OPEN_TYPE_PRECONFIG : INTERNET_OPEN_TYPE_PROXY,
                                       proxy.empty() ? nullptr : wideProxy.c_str(), nullptr, INTERNET_FLAG_DONT_CACHE));
  if (!session) return -1;
  InternetHandle request(InternetOpenUrlW(session.get(), Widen(url).c_str(), nullptr, 0,
                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                              INTERNET_FLAG_TRANSFER_ASCII,
                                          0));
  if (!request) return -1;

  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
    return -1;
  if (status != HTTP_STATUS_OK) return static_cast<int>(status);

  // The whole body first, so that a connection lost halfway leaves the
  // caller's text as it was.
  std::string body;
  char block[kReadBlock];
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request.get(), block, kReadBlock, &read)) return -1;
    if (read == 0) break;
    body.append(block, read);
  }
  text = LinesWithCrLf(body);
  return 0;
}

}  // namespace kelvarion
