#include "settings/maker.h"

namespace kelvarion {

std::string BuildUpdateUrl(const std::string& host, const std::string& version) {
  return "http://" + host + "/kelvarion/kelvarion.asp?exe=KELVARION&ver=" + version + "&ask=wnew";
}

std::string UpdateUnreachableText(const std::string& host) { return "不能连接到" + host + "以取得更新信息"; }

}  // namespace kelvarion
