// Who makes Kelvarion and where it is reached: the update server the about
// box asks for news, the web site and the mail address behind its links.
// The names are under ".example", reserved for exactly this use, so no
// stranger's server is ever asked while the product has none of its own.
#pragma once

#include <string>

namespace kelvarion {

inline constexpr char kMakerUpdateHost[] = "update.kelvarion.example";
inline constexpr char kMakerWebSite[] = "http://www.kelvarion.example/";
inline constexpr char kMakerMailAddress[] = "support@kelvarion.example";
// The about box's line naming the maker (its link writes to the address).
inline constexpr char kMakerLine[] = "Kelvarion 开发组  support@kelvarion.example";

// The agent name the about box's request carries.
inline constexpr char kUpdateAgent[] = "KELVARION";

// "http://" + host + the news page, asking with the product code and version.
std::string BuildUpdateUrl(const std::string& host, const std::string& version);
// What the about box shows when the update server cannot be reached.
std::string UpdateUnreachableText(const std::string& host);

}  // namespace kelvarion
