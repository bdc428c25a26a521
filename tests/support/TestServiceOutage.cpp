#include "TestServiceOutage.h"

#include <nlohmann/json.hpp>

#include <array>
#include <memory>
#include <utility>

#include "TestPages.h"

namespace quorvel::test {
namespace {
using Outage = TestService::Outage;

constexpr std::array<std::pair<Outage, const char*>, 8> kNames{{
    {Outage::none, "none"},
    {Outage::serverError, "500"},
    {Outage::forbidden, "403"},
    {Outage::malformed, "malformed"},
    {Outage::otherShape, "other-shape"},
    {Outage::hanging, "hang"},
    {Outage::hugeBody, "huge"},
    {Outage::hugeUserName, "huge-user"},
}};

std::string outageState(const TestService& service) {
  return nlohmann::json{{"badges", outageName(service.badgeOutage())},
                        {"deadlines", outageName(service.deadlinesOutage())}}
      .dump();
}
}  // namespace

std::optional<TestService::Outage> outageNamed(const std::string& name) {
  for (const auto& [outage, text] : kNames)
    if (name == text) return outage;
  return std::nullopt;
}

std::string outageName(TestService::Outage outage) {
  for (const auto& [o, text] : kNames)
    if (o == outage) return text;
  return "none";
}

const std::string& hugeNonJsonBody() {
  static const std::string body = [] {
    const std::string head =
        "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>502 Bad Gateway</title></head>"
        "<body><h1>502 Bad Gateway</h1><pre>\n";
    const std::string tail = "</pre></body></html>\n";
    const std::string line =
        "upstream connect error or disconnect/reset before headers · 上游服务无响应，正在重试 "
        "e\xCC\x81\xCC\x82 \xF0\x9F\x91\xA9\xE2\x80\x8D\xE2\x9A\x96\xEF\xB8\x8F retry=";
    std::string out = head;
    out.reserve(kHugeBodyBytes);
    for (long n = 0; out.size() + line.size() + 16 + tail.size() < kHugeBodyBytes; ++n) out += line + std::to_string(n) + "\n";
    out.append(kHugeBodyBytes - tail.size() - out.size(), ' ');
    return out + tail;
  }();
  return body;
}

const std::string& hugeUserName() {
  static const std::string name = [] {
    // 张 · e with a combining acute accent · woman judge (a joined emoji sequence).
    const std::array<const char*, 3> parts{"\xE5\xBC\xA0", "e\xCC\x81",
                                           "\xF0\x9F\x91\xA9\xE2\x80\x8D\xE2\x9A\x96\xEF\xB8\x8F"};
    std::string out;
    for (std::size_t i = 0; i < kHugeUserNameCharacters; ++i) out += parts[i % parts.size()];
    return out;
  }();
  return name;
}

std::optional<Reply> outageReply(TestService::Outage outage, bool badges) {
  switch (outage) {
    case Outage::none: return std::nullopt;
    case Outage::serverError: return Reply::html(pages::serverError(), 500);
    case Outage::forbidden: return Reply::html(pages::forbidden(), 403);
    case Outage::malformed:
      return Reply::json(badges ? R"({"overdue":2,"today":1,"soon":)"
                                : R"({"overdue":[{"content":"提交补充证据材料","date":"2026-02-27","days":-3,"cli)");
    case Outage::otherShape: return Reply::json(R"({"error":"服务暂时不可用，请稍后再试","code":503})");
    case Outage::hanging: {
      Reply r;
      r.hang = true;
      return r;
    }
    case Outage::hugeBody: {
      // Shared, not copied: copying 20 MB on each request would stall the main loop
      // the client under test shares with this service.
      static const auto shared = std::make_shared<const std::string>(hugeNonJsonBody());
      Reply r = Reply::html({});
      r.sharedBody = shared;
      return r;
    }
    case Outage::hugeUserName: {
      if (!badges) return std::nullopt;
      static const auto shared = [] {
        nlohmann::json counts = nlohmann::json::parse(TestService::defaultBadgeJson());
        counts["user"] = hugeUserName();
        return std::make_shared<const std::string>(counts.dump());
      }();
      Reply r = Reply::json({});
      r.sharedBody = shared;
      return r;
    }
  }
  return std::nullopt;
}

void installOutageRoutes(TestService& service) {
  service.setRoute("/__test/outage", [&service](const RecordedRequest& r) {
    if (r.method != "POST") return Reply::json(outageState(service));
    std::optional<Outage> all, badges, deadlines;
    for (auto [field, target] : {std::pair{"all", &all}, {"badges", &badges}, {"deadlines", &deadlines}}) {
      auto value = r.formValue(field);
      if (!value) continue;
      *target = outageNamed(*value);
      if (!*target) return Reply::json(nlohmann::json{{"error", "unknown outage: " + *value}}.dump(), 400);
    }
    if (all) service.setOutage(*all);
    if (badges) service.setBadgeOutage(*badges);
    if (deadlines) service.setDeadlinesOutage(*deadlines);
    return Reply::json(outageState(service));
  });
}

}  // namespace quorvel::test
