#include "win/fetch_url_win.h"

#include <windows.h>

#include <wininet.h>

#include <memory>

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

// The limits set on the session hold for every connection and request made
// through it.
void SetTimeouts(HINTERNET session, DWORD milliseconds) {
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                       INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
    InternetSetOptionW(session, option, &milliseconds, sizeof(milliseconds));
  DWORD retries = 1;
  InternetSetOptionW(session, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof(retries));
}


int FetchOnce(const std::string& url, std::string& text, const std::string& agent, const std::string& proxy,
              DWORD timeout) {
  const std::wstring wideProxy = Widen(proxy);
  InternetHandle session(InternetOpenW(Widen(agent).c_str(),
                                       proxy.empty() ? INTERNET_OPEN_TYPE_PRECONFIG : INTERNET_OPEN_TYPE_PROXY,
                                       proxy.empty() ? nullptr : wideProxy.c_str(), nullptr, INTERNET_FLAG_DONT_CACHE));
  if (!session) return -1;
  SetTimeouts(session.get(), timeout);
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

// One fetch on a thread of its own. The job owns itself through the
// reference each side holds: a caller who has given up drops its reference
// and the thread, whenever it ends, frees the job.
struct FetchJob {
  std::string url, agent, proxy;
  DWORD timeout = 0;
  int result = -1;
  std::string text;
  KernelHandle done;  // set once result and text are final
  LONG references = 2;

  void Release() {
    if (InterlockedDecrement(&references) == 0) delete this;
  }
  static DWORD WINAPI Run(void* parameter) {
    auto* job = static_cast<FetchJob*>(parameter);
    job->result = FetchOnce(job->url, job->text, job->agent, job->proxy, job->timeout);
    SetEvent(job->done.get());
    job->Release();
    return 0;
  }
};

}  // namespace

int FetchUrlText(const std::string& url, std::string& text, const std::string& agent, const std::string& proxy,
                 int timeoutMilliseconds) {
  const DWORD timeout = timeoutMilliseconds > 0 ? static_cast<DWORD>(timeoutMilliseconds) : kFetchTimeoutMilliseconds;
  // WinINet does not keep every one of its limits (Wine's waits for an
  // answer as long as the server keeps the connection open), so the fetch
  // runs on a thread of its own and the caller waits a bounded time for it.
  auto* job = new FetchJob;
  job->url = url;
  job->agent = agent;
  job->proxy = proxy;
  job->timeout = timeout;
  job->done.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE thread = job->done ? CreateThread(nullptr, 0, &FetchJob::Run, job, 0, nullptr) : nullptr;
  if (!thread) {
    delete job;
    return -1;
  }
  CloseHandle(thread);
  int result = -1;
  if (WaitForSingleObject(job->done.get(), 2 * timeout) == WAIT_OBJECT_0) {
    result = job->result;
    if (result == 0) text = std::move(job->text);
  }
  job->Release();
  return result;
}

}  // namespace kelvarion
