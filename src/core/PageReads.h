#pragma once
// The page functions the workspace model runs inside the signed-in page (through
// WebPage::callAsyncFunction) to read the service with the page's own session.

namespace quorvel::PageReads {

// Bodies of the page functions that read the service from inside the signed-in page.
inline constexpr const char* kPageFetch =
    "try { const r = await fetch(target, {credentials:'same-origin', cache:'no-store'});"
    " return await r.text(); } catch (e) { return '__ERR__' + String(e); }";
inline constexpr const char* kBadges =
    "if (!location.pathname || location.pathname.indexOf('/login') === 0) return '__LOGIN__';"
    " try { const r = await fetch('/api/desktop/badges', {credentials:'same-origin', cache:'no-store'});"
    " return await r.text(); } catch (e) { return '__ERR__' + String(e); }";
inline constexpr const char* kDeadlines =
    "try { const r = await fetch('/api/my_deadlines', {credentials:'same-origin', cache:'no-store'});"
    " return await r.text(); } catch (e) { return '__ERR__' + String(e); }";

}  // namespace quorvel::PageReads
