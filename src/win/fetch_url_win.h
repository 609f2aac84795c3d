// One HTTP GET whose answer is taken as text, for the about box's news.
#pragma once

#include <string>

namespace kelvarion {

// How long a fetch waits for the connection and for each piece of the answer
// before it gives up: the about box waits for it before it opens.
inline constexpr int kFetchTimeoutMilliseconds = 3000;

// Fetches url with the given agent name, through proxy when it is not empty
// (otherwise the system's own settings), bypassing every cache. Connecting,
// sending and every wait for data are limited to timeoutMilliseconds, and the
// whole fetch to twice that, so a server that accepts and never answers (or
// answers forever) ends in -1 rather than a hang.
// Status 200: text becomes the body, each line (without its LF or CR LF)
// followed by CR LF, plus one more CR LF for the read that meets the end;
// returns 0. Another status: returns it, text untouched. No connection,
// unknown host, or a failure while reading: returns -1, text untouched.
int FetchUrlText(const std::string& url, std::string& text, const std::string& agent, const std::string& proxy,
                 int timeoutMilliseconds = kFetchTimeoutMilliseconds);

}  // namespace kelvarion
