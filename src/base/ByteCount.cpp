#include "base/ByteCount.h"

#include <cmath>
#include <cstdio>

namespace quorvel {

std::string byteCountText(long long bytes) {
  if (bytes < 0) return "-" + byteCountText(-bytes);
  if (bytes < 1000) return std::to_string(bytes) + " 字节";
  static const char* units[] = {"KB", "MB", "GB", "TB", "PB"};
  static const int decimals[] = {0, 1, 2, 2, 2};
  double v = static_cast<double>(bytes);
  int i = -1;
  while (v >= 1000 && i < 4) {
    v /= 1000;
    ++i;
  }
  // Rounding may reach the next unit ("1000 KB" → "1 MB").
  double scale = std::pow(10, decimals[i]);
  if (std::round(v * scale) / scale >= 1000 && i < 4) {
    v /= 1000;
    ++i;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f %s", decimals[i], v, units[i]);
  std::string s(buf);
  // "3.0 MB" reads "3 MB".
  if (decimals[i] > 0) {
    auto space = s.find(' ');
    std::string num = s.substr(0, space);
    while (!num.empty() && num.back() == '0') num.pop_back();
    if (!num.empty() && num.back() == '.') num.pop_back();
    s = num + s.substr(space);
  }
  return s;
}

}  // namespace quorvel
