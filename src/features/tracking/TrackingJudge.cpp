#include "features/tracking/TrackingJudge.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <ctime>
#include <vector>

#include "base/Text.h"

namespace quorvel::TrackingJudge {
namespace {
using icu::UnicodeString;

std::string utf8(const UnicodeString& u) {
  std::string s;
  u.toUTF8String(s);
  return s;
}

// First match as its group texts, whole match first; "" for a group that did not
// take part; nothing when the pattern does not compile or match.
std::optional<std::vector<std::string>> matchGroups(const std::string& text, const char* pattern) {
  UErrorCode status = U_ZERO_ERROR;
  UnicodeString input = UnicodeString::fromUTF8(text);
  icu::RegexMatcher m(UnicodeString::fromUTF8(pattern), input, 0, status);
  if (U_FAILURE(status)) return std::nullopt;
  if (!m.find(status) || U_FAILURE(status)) return std::nullopt;
  std::vector<std::string> out;
  for (int32_t g = 0; g <= m.groupCount(); ++g) {
    if (m.start(g, status) < 0) out.emplace_back();
    else out.push_back(utf8(m.group(g, status)));
  }
  return out;
}

int number(const std::string& s) {
  try {
    return s.empty() ? 0 : std::stoi(s);
  } catch (...) {
    return 0;
  }
}

const std::vector<std::string> kReturned = {"退回", "拒收", "退件", "派送失败", "无人签收", "地址不详"};
const std::vector<std::string> kDelivered = {"已签收", "本人签收", "他人代收", "代收", "已妥投", "签收成功", "已投递"};
const std::vector<std::string> kVerify = {"后四位", "请输入快递预留", "暂无查询结果", "查无", "无此单号"};
const std::vector<std::string> kTransit = {"派送中", "运输中", "已揽收", "派件中"};

bool containsAny(const std::string& text, const std::vector<std::string>& words) {
  for (const auto& w : words)
    if (text.find(w) != std::string::npos) return true;
  return false;
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// "代收货款"/"代收款" is a cash-on-delivery amount, not a delivery.
bool containsDelivered(const std::string& text) {
  for (const auto& w : kDelivered) {
    bool collect = endsWith(w, "代收");
    for (auto pos = text.find(w); pos != std::string::npos; pos = text.find(w, pos + 1)) {
      if (!collect) return true;
      std::string rest = text.substr(pos + w.size(), 6);
      if (rest.rfind("货款", 0) == 0 || rest.rfind("款", 0) == 0) continue;
      return true;
    }
  }
  return false;
}

std::string firstChars(const std::string& text, int32_t count) {
  UnicodeString u = UnicodeString::fromUTF8(text);
  int32_t end = u.moveIndex32(0, count);
  return utf8(u.tempSubStringBetween(0, end));
}

std::tm localTm(std::chrono::system_clock::time_point when, bool utc) {
  std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm tm{};
  if (utc) gmtime_r(&t, &tm);
  else localtime_r(&t, &tm);
  return tm;
}

std::string format(const std::tm& tm, const char* fmt) {
  char buf[64];
  std::size_t n = std::strftime(buf, sizeof buf, fmt, &tm);
  return std::string(buf, n);
}

}  // namespace

std::string trimmedNumber(const std::string& number) { return trimmed(number, kWhitespaceAndNewlines); }

std::string percentEncodeUnreserved(const std::string& text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
  }
  return out;
}

std::optional<std::string> searchAddress(const std::string& base, const std::string& number) {
  if (number.empty()) return std::nullopt;
  std::string b = trimmed(base, kWhitespaceAndNewlines);
  while (!b.empty() && b.back() == '/') b.pop_back();
  auto scheme = b.find("://");
  if (scheme == std::string::npos) return std::nullopt;
  std::string s = b.substr(0, scheme);
  if (s != "https" && s != "http") return std::nullopt;
  std::string host = b.substr(scheme + 3);
  if (host.empty() || host.find_first_of(" ?#") != std::string::npos) return std::nullopt;
  std::string encoded = percentEncodeUnreserved(number);
  if (encoded.empty()) return std::nullopt;
  return b + "/s?wd=" + encoded;
}

std::string context(const std::string& number, const std::string& text) {
  if (number.empty()) return text;
  UnicodeString u = UnicodeString::fromUTF8(text);
  UnicodeString n = UnicodeString::fromUTF8(number);
  int32_t at = u.indexOf(n);
  if (at < 0) return text;
  int32_t start = u.moveIndex32(at, -300);
  int32_t end = u.moveIndex32(at + n.length(), 1800);
  return utf8(u.tempSubStringBetween(start, end));
}

std::optional<std::string> signTime(const std::string& text) {
  if (auto g = matchGroups(text,
                           "(20\\d{2})年(\\d{1,2})月(\\d{1,2})日\\s*(上午|下午)?\\s*(\\d{1,2}):(\\d{2})(?::(\\d{2}))?")) {
    int hour = number((*g)[5]);
    if ((*g)[4] == "下午" && hour < 12) hour += 12;
    char buf[64];
    std::snprintf(buf, sizeof buf, "-%02d-%02d %02d:", number((*g)[2]), number((*g)[3]), hour);
    return (*g)[1] + buf + (*g)[6];
  }
  if (auto g = matchGroups(text, "(20\\d{2}-\\d{2}-\\d{2})[ T](\\d{2}:\\d{2}(?::\\d{2})?)"))
    return (*g)[1] + " " + (*g)[2];
  return std::nullopt;
}

std::optional<std::string> signPerson(const std::string& text) {
  for (const char* p : {"【([^【】]{2,20}签收[^【】]{0,10})】", "签收人[：:]\\s*([^\\s，,。]{1,10})"}) {
    auto g = matchGroups(text, p);
    if (g && g->size() > 1 && !(*g)[1].empty()) return (*g)[1];
  }
  return std::nullopt;
}

nlohmann::json judge(const std::string& text, const std::string& trackingNo) {
  std::string window = context(trackingNo, text);
  nlohmann::json out;
  out["raw"] = firstChars(window, static_cast<int32_t>(kRawLength));
  if (containsAny(window, kReturned)) {
    out["status"] = "abnormal";
    out["msg"] = "查到退回/拒收记录，请人工核对";
  } else if (containsDelivered(window)) {
    std::string msg = "已查到签收";
    if (auto t = signTime(window)) msg += "（" + *t + "）";
    if (auto p = signPerson(window); p && !p->empty()) msg += " · " + *p;
    out["status"] = "ok";
    out["msg"] = msg;
  } else if (containsAny(window, kVerify)) {
    out["status"] = "unknown";
    out["msg"] = "页面要求验证或查无结果，需要人工核对";
  } else if (containsAny(window, kTransit)) {
    out["status"] = "unknown";
    out["msg"] = "在途，尚未签收";
  } else {
    out["status"] = "unknown";
    out["msg"] = "页面没有给出签收信息";
  }
  return out;
}

std::string fileComponent(const std::string& number) {
  UnicodeString u = UnicodeString::fromUTF8(number);
  UnicodeString out;
  int32_t count = 0;
  for (int32_t i = 0; i < u.length() && count < 64; i = u.moveIndex32(i, 1), ++count) {
    UChar32 c = u.char32At(i);
    bool bad = c == '/' || c == '\\' || c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0) || (i == 0 && c == '.');
    if (bad) out.append(static_cast<UChar32>('_'));
    else out.append(c);
  }
  return utf8(out);
}

std::string evidenceFileName(const std::string& number, std::chrono::system_clock::time_point when) {
  return "查签-" + fileComponent(number) + "-" + format(localTm(when, false), "%Y%m%d-%H%M%S") + ".png";
}

std::string recordJson(const std::string& number, const std::string& source, const std::string& fileName,
                       std::chrono::system_clock::time_point when) {
  nlohmann::json record = {{"tracking_no", number},
                           {"source", source},
                           {"captured_at", format(localTm(when, true), "%Y-%m-%dT%H:%M:%SZ")},
                           {"file", fileName}};
  return record.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace quorvel::TrackingJudge
