// One HTTP GET whose answer is taken as text, for the about box's news.
#pragma once

#include <string>

namespace kelvarion {

// Fetches url with the given agent name, through proxy when it is not empty
// (otherwise the system's own settings), bypassing every cache.
// Status 200: text becomes the body, each line (without its LF or CR LF)
// followed by CR LF, plus one more CR LF for the read that meets the end;
// returns 0. Another status: returns it, text untouched. No connection,
// unknown host, or a failure while reading: returns -1, text untouched.
int FetchUrlText(const std::string& url, std::string& text, const std::string& agent, const std::string& proxy);

}  // namespace kelvarion
