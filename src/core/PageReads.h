#pragma once
// Reading the service through the signed-in page: the page functions run inside it
// (WebPage::callAsyncFunction), so the reads carry the page's own session.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "base/AppError.h"
#include "base/Task.h"
#include "base/Url.h"
#include "core/WebPage.h"
#include "platform/Http.h"

namespace quorvel::PageReads {

// The page shows the service: its address has the home address's origin.
bool isOnService(const WebPage& page, const Url& home);

// What bounds every read: the page ends its fetch once no byte has arrived for
// `idleMs`, or once the body passes `maxBytes`; the read is given up natively when the
// page has not answered after `guardMs` (a page whose scripts cannot run), and the
// page ends its own fetch a little before that.
struct Limits {
  unsigned idleMs = 25'000;
  unsigned guardMs = 90'000;
  std::size_t maxBytes = http::kMaxJsonReplyBytes;
  // maxBytes of the listings that grow with the firm's data (ServiceReads::fetchListing).
  std::size_t listingMaxBytes = http::kMaxListingReplyBytes;
  // Answers longer than this many characters come over in pieces of this many
  // characters (or, in the byte form, bytes).
  unsigned partChars = 1u << 20;
};

// One read's outcome.
struct Reply {
  enum class Kind { text, login, failed };
  Kind kind = Kind::failed;
  int status = 0;       // text: the HTTP status
  std::string text;     // text: the body
  // failed: why, its message a short Chinese sentence ("服务器 25 秒无响应"); the
  // engine's domain and code when the page function itself failed, else
  // errors::kQuorvel with kPageReadFailed.
  std::optional<AppError> error;
  std::string detail;   // failed: what the page said, for the log (may be long)
  bool ok() const { return kind == Kind::text && status >= 200 && status <= 299; }
};

// Reads a service path in the page within `limits`. `loginCheck`: a page that shows the
// sign-in page answers Kind::login without fetching (the badge read).
Task<Reply> read(std::shared_ptr<WebPage> page, std::string path, Limits limits, bool loginCheck = false);

// The body of a service path as text, whatever its HTTP status. AppError("Quorvel", 2)
// when the page answered an error, no text, or the read ran into a limit, ("Quorvel", 3)
// when it is not UTF-8, or the engine's own error.
Task<std::string> fetchText(std::shared_ptr<WebPage> page, std::string path, Limits limits);

// The reason a reply that is not the one asked for gives, in the words the views show
// after "刷新失败：": its HTTP status, the sign-in page, or a body of another shape.
std::string replyFailureReason(const Reply& reply);

// The page function of every read. Arguments: target (the address), idleMs, totalMs,
// maxBytes, login (1: answer "__LOGIN__" on the sign-in page). Answers, as text: the
// body for a 2xx reply; "__HTTP__" + status + "\n" + body for another status;
// "__TIMEOUT__" when no byte arrived for idleMs (or totalMs passed); "__TOOBIG__" when
// the body passes maxBytes; "__ERR__" + the error when the fetch failed; "__PARTS__" +
// key + ":" + count when the answer is longer than partChars characters, its pieces
// then read one by one with kPartScript (key, index), the last read letting them go;
// "__BYTES__" + key + ":" + count in place of "__PARTS__" when the pieces are the
// answer's UTF-8 bytes, each byte one character (U+0000-U+00FF): the engine keeps such
// a string at one byte a character instead of two, so a mostly ASCII answer crosses
// into the client in little more than its UTF-8 size.
inline constexpr const char* kReadScript = R"JS(
if (login && (!location.pathname || location.pathname.indexOf('/login') === 0)) return '__LOGIN__';
const ctl = new AbortController();
let expired = false, idle = 0;
const stop = () => { expired = true; ctl.abort(); };
const arm = () => { clearTimeout(idle); idle = setTimeout(stop, idleMs); };
const total = setTimeout(stop, totalMs);
arm();
try {
  const r = await fetch(target, {credentials:'same-origin', cache:'no-store', signal: ctl.signal});
  arm();
  if (Number(r.headers.get('content-length')) > maxBytes) { ctl.abort(); return '__TOOBIG__'; }
  // Each piece is decoded as it comes: no copy of the whole body is kept beside the text.
  const parts = [];
  const decoder = new TextDecoder();
  let size = 0;
  if (r.body) {
    const reader = r.body.getReader();
    for (;;) {
      const step = await reader.read();
      if (step.done) break;
      arm();
      size += step.value.byteLength;
      if (size > maxBytes) { ctl.abort(); return '__TOOBIG__'; }
      parts.push(decoder.decode(step.value, {stream: true}));
    }
  }
  parts.push(decoder.decode());
  const text = parts.join('');
  parts.length = 0;
  const answer = r.ok ? text : '__HTTP__' + r.status + '\n' + text;
  if (answer.length <= partChars) return answer;
  // A long answer is handed over in pieces (kPartScript): one piece at a time crosses
  // into the client, so the window keeps answering meanwhile. As bytes when they are
  // fewer than the two bytes a character of text takes; as text otherwise, never
  // splitting a surrogate pair.
  const bytes = new TextEncoder().encode(answer);
  const pieces = [];
  let form = '__BYTES__';
  if (bytes.length < 2 * answer.length) {
    for (let at = 0; at < bytes.length; at += partChars) pieces.push(bytes.subarray(at, at + partChars));
  } else {
    form = '__PARTS__';
    for (let at = 0; at < answer.length;) {
      let end = Math.min(at + partChars, answer.length);
      const c = answer.charCodeAt(end - 1);
      if (end < answer.length && c >= 0xD800 && c <= 0xDBFF) end--;
      pieces.push(answer.slice(at, end));
      at = end;
    }
  }
  const held = window.__quorvelReadParts || (window.__quorvelReadParts = new Map());
  const key = Math.random().toString(36).slice(2) + Date.now().toString(36);
  held.set(key, pieces);
  setTimeout(() => held.delete(key), 120000);
  return form + key + ':' + pieces.length;
} catch (e) {
  return expired ? '__TIMEOUT__' : '__ERR__' + String(e);
} finally {
  clearTimeout(idle);
  clearTimeout(total);
}
)JS";

inline constexpr const char* kPartScript = R"JS(
const held = window.__quorvelReadParts;
const pieces = held && held.get(key);
if (!pieces || index >= pieces.length) return null;
const piece = pieces[index];
pieces[index] = '';
if (index === pieces.length - 1) held.delete(key);
if (typeof piece === 'string') return piece;
const chars = [];
for (let at = 0; at < piece.length; at += 8192)
  chars.push(String.fromCharCode.apply(null, piece.subarray(at, at + 8192)));
return chars.join('');
)JS";

}  // namespace quorvel::PageReads
