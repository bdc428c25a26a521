#pragma once
// Reading the service through the signed-in page: the page functions run inside it
// (WebPage::callAsyncFunction), so the reads carry the page's own session.
#include <memory>
#include <optional>
#include <string>

#include "base/Task.h"
#include "base/Url.h"
#include "core/WebPage.h"

namespace quorvel::PageReads {

// The page shows the service: its address has the home address's origin.
bool isOnService(const WebPage& page, const Url& home);

// The body of a service path as text. AppError("Quorvel", 2) when the fetch failed
// ("无法连接到服务器"), the reply's status is no success (failure::statusSentence) or
// the page answered no text, ("Quorvel", 3) when it is not UTF-8, or the engine's own
// error. What the page met, and the head of a failed reply, go to the log.
Task<std::string> fetchText(std::shared_ptr<WebPage> page, std::string path);
// The badge reply ("__LOGIN__" on the sign-in page); nothing when the read failed
// (logged).
Task<std::optional<std::string>> badgesText(std::shared_ptr<WebPage> page);
// The deadline reply; nothing when the read failed.
Task<std::optional<std::string>> deadlinesText(std::shared_ptr<WebPage> page);

// Bodies of the page functions that read the service from inside the signed-in page.
// kPageFetch answers the body, or kStatusMark + status + "\n" + body for a status that
// is no success.
inline constexpr const char* kStatusMark = "__HTTP__";
inline constexpr const char* kPageFetch =
    "try { const r = await fetch(target, {credentials:'same-origin', cache:'no-store'});"
    " const t = await r.text(); return r.ok ? t : '__HTTP__' + r.status + '\\n' + t; }"
    " catch (e) { return '__ERR__' + String(e); }";
inline constexpr const char* kBadges =
    "if (!location.pathname || location.pathname.indexOf('/login') === 0) return '__LOGIN__';"
    " try { const r = await fetch('/api/desktop/badges', {credentials:'same-origin', cache:'no-store'});"
    " return await r.text(); } catch (e) { return '__ERR__' + String(e); }";
inline constexpr const char* kDeadlines =
    "try { const r = await fetch('/api/my_deadlines', {credentials:'same-origin', cache:'no-store'});"
    " return await r.text(); } catch (e) { return '__ERR__' + String(e); }";

}  // namespace quorvel::PageReads
