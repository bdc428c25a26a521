#pragma once
// The pieces of the workspace's native requests to the service that need no
// network: which cookies travel, how a form body and a multipart body look on the
// wire, and how a reply is judged.
#include <gio/gio.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/ErrorDomains.h"
#include "base/Url.h"
#include "core/WebStore.h"

namespace quorvel {

// The Cookie header for a request to the service at `home`: only cookies whose
// domain (lower-cased, outer dots removed) is the service host or a parent domain
// of it, Secure cookies only over https, in the store's order, joined by "; ".
// Empty when nothing matches: other sites' cookies never reach the service.
std::string selectCookieHeader(const std::vector<NativeCookie>& cookies, const Url& home);

// application/x-www-form-urlencoded: A–Z a–z 0–9 and "*-._" stay, a space is %20,
// every other byte is %XX, so "+", "&" and "=" inside a value arrive as typed.
std::string formEncode(const std::string& text);
std::string encodeFormBody(const std::map<std::string, std::string>& fields);

// A form reply counts as success when the status is 2xx, the final path is not the
// sign-in page, the body holds no password field and a JSON object body does not
// say "success": false (or, failing a Boolean "success" false, "ok": false).
bool isFormResultOk(int status, const std::string& finalPath, const std::string& body);
// Why a form reply is no success, in a short sentence (failure::statusSentence, the
// sign-in page, or what the service's JSON says); empty for a success. The body itself
// is never part of it.
std::string formFailureReason(int status, const std::string& finalPath, const std::string& body);

// The text when it is valid UTF-8, else the empty text.
std::string utf8OrEmpty(const std::string& bytes);
// The first `count` user-perceived characters of a UTF-8 text (only its head is read).
std::string prefixCharacters(const std::string& utf8, size_t count);

// The home address with one path component appended behind its own path
// ("https://h/base" + "api/x" → "https://h/base/api/x"; a trailing "/" gives no
// double slash). Query and fragment of the home address are dropped.
Url appendingPathComponent(const Url& home, const std::string& component);

// `prefix` followed by a fresh random UUID in upper case.
std::string makeBoundary(const std::string& prefix);

// A file name as it may stand inside the quotes of a part header: '"', CR and LF
// become %22, %0D and %0A; everything else (UTF-8 included) stays.
std::string escapeMultipartFileName(const std::string& name);

// A multipart/form-data body whose length is known before it is sent and whose file
// parts are read from disk while it is sent. Each part is
//   "--" B CRLF, its headers, CRLF, its data, CRLF
// and the body ends with "--" B "--" CRLF.
class MultipartBody {
 public:
  struct Piece {
    std::string bytes;                          // literal bytes, or
    std::optional<std::filesystem::path> file;  // the first `size` bytes of a file
    std::uint64_t size = 0;
  };

  explicit MultipartBody(std::string boundary);

  // A text field: Content-Disposition: form-data; name="NAME".
  void addField(const std::string& name, const std::string& value);
  // A file part named `name` with the file's last path component as its (escaped)
  // file name and Content-Type application/octet-stream. The file must be a readable
  // regular file: otherwise AppError, and the body is left unchanged.
  void addFile(const std::string& name, const std::filesystem::path& file);
  // Appends the closing line; nothing may be added afterwards.
  void finish();

  const std::string& boundary() const { return boundary_; }
  std::string contentType() const { return "multipart/form-data; boundary=" + boundary_; }
  std::uint64_t length() const;
  const std::vector<Piece>& pieces() const { return pieces_; }

  // A fresh stream over the whole body (a new reference). A file that is shorter
  // than it was when added fails the read instead of sending a short body.
  GInputStream* openStream() const;
  // Reads the whole body at once (for small bodies and tests); throws AppError.
  std::string readAll() const;

  // The upload of Quick Archive: every file as a "files" part, in order.
  static MultipartBody forFiles(const std::vector<std::filesystem::path>& files, std::string boundary);

 private:
  void appendBytes(const std::string& bytes);

  std::string boundary_;
  std::vector<Piece> pieces_;
  bool finished_ = false;
};

// Judges the reply of "api/proc_quick_upload/<id>": the filed count ("count" when it
// is an integer, else `filesSent`) when the status is 2xx and the body is a JSON
// object with "success" true; otherwise throws AppError(errors::kQuickArchive, status,
// what happened in a short sentence: the service's own "error" text with the status,
// else the status (failure::statusSentence), the sign-in page or an unreadable reply).
long long parseUploadReply(int status, const std::string& body, std::size_t filesSent);

}  // namespace quorvel
