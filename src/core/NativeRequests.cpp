#include "core/NativeRequests.h"

#include "base/GLibPtr.h"
#include "base/Url.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "core/AppConfig.h"
#include "core/Recents.h"
#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/FailureText.h"
#include "base/Text.h"

namespace quorvel {
namespace fs = std::filesystem;

// ---- cookies ----

std::string selectCookieHeader(const std::vector<NativeCookie>& cookies, const Url& home) {
  const std::string host = toLowerAscii(home.host);
  if (host.empty()) return {};
  const bool https = home.scheme == "https";
  std::string header;
  for (const auto& c : cookies) {
    std::string domain = toLowerAscii(c.domain);
    auto b = domain.find_first_not_of('.');
    if (b == std::string::npos) continue;
    domain = domain.substr(b, domain.find_last_not_of('.') - b + 1);
    // The cookie's domain must be the host itself or one of its parent domains.
    if (!isServiceHost(host, domain)) continue;
    if (c.secure && !https) continue;
    if (!header.empty()) header += "; ";
    header += c.name + "=" + c.value;
  }
  return header;
}

// ---- forms ----

std::string formEncode(const std::string& text) {
  return percentEncodeExcept(text, [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
           c == '.' || c == '_';
  });
}

std::string encodeFormBody(const std::map<std::string, std::string>& fields) {
  std::string out;
  for (const auto& [name, value] : fields) {
    if (!out.empty()) out += '&';
    out += formEncode(name) + "=" + formEncode(value);
  }
  return out;
}

namespace {
constexpr size_t kServiceMessageCharacters = 60;

bool isSuccessStatus(int status) { return status >= 200 && status <= 299; }

// The text a JSON reply of the service gives for a failure, cut; nothing without one.
std::optional<std::string> serviceMessage(const nlohmann::json& json) {
  if (!json.is_object()) return std::nullopt;
  for (const char* key : {"error", "message", "msg"}) {
    auto it = json.find(key);
    if (it == json.end() || !it->is_string()) continue;
    std::string text = trimmed(it->get<std::string>());
    if (!text.empty()) return prefixCharacters(text, kServiceMessageCharacters);
  }
  return std::nullopt;
}

// A reply that is no success: what the service said, with the status when that is
// no success either; else `otherwise` (a 2xx reply) or the status in words.
std::string refusal(int status, const nlohmann::json& json, const char* otherwise) {
  auto said = serviceMessage(json);
  if (isSuccessStatus(status)) return said ? *said : otherwise;
  return said ? *said + "（HTTP " + std::to_string(status) + "）" : failure::statusSentence(status);
}
}  // namespace

std::string formFailureReason(int status, const std::string& finalPath, const std::string& body) {
  auto json = nlohmann::json::parse(body, nullptr, false);
  if (!isSuccessStatus(status)) return refusal(status, json, "");
  if (finalPath.rfind("/login", 0) == 0) return failure::kSignedOut;
  if (body.find("name=\"password\"") != std::string::npos) return failure::kSignedOut;
  if (json.is_object()) {
    auto success = json.find("success");
    bool refused = success != json.end() && success->is_boolean() && !success->get<bool>();
    auto ok = json.find("ok");
    refused = refused || (ok != json.end() && ok->is_boolean() && !ok->get<bool>());
    if (refused) return refusal(status, json, "服务器没有接受这次提交");
  }
  return {};
}

bool isFormResultOk(int status, const std::string& finalPath, const std::string& body) {
  return formFailureReason(status, finalPath, body).empty();
}

// ---- text helpers ----

std::string utf8OrEmpty(const std::string& bytes) {
  return g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr) ? bytes : std::string();
}

std::string prefixCharacters(const std::string& utf8, size_t count) { return textHead(utf8, count); }

Url appendingPathComponent(const Url& home, const std::string& component) {
  Url u = home;
  u.fragment.reset();
  std::string path = u.path;
  if (path.empty() || path.back() != '/') path += '/';
  std::string c = component;
  while (!c.empty() && c.front() == '/') c.erase(c.begin());
  u.path = path + encodePathComponent(c);
  return u;
}

std::string makeBoundary(const std::string& prefix) {
  return prefix + randomUpperUUID();
}

std::string escapeMultipartFileName(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '"') out += "%22";
    else if (c == '\r') out += "%0D";
    else if (c == '\n') out += "%0A";
    else out += c;
  }
  return out;
}

// ---- multipart ----

MultipartBody::MultipartBody(std::string boundary) : boundary_(std::move(boundary)) {}

void MultipartBody::appendBytes(const std::string& bytes) {
  if (!pieces_.empty() && !pieces_.back().file) {
    pieces_.back().bytes += bytes;
    pieces_.back().size = pieces_.back().bytes.size();
  } else {
    pieces_.push_back(Piece{bytes, std::nullopt, bytes.size()});
  }
}

void MultipartBody::addField(const std::string& name, const std::string& value) {
  if (finished_) throw AppError(errors::kQuickArchive, errors::kNoHttpReply, "上传内容已封口");
  appendBytes("--" + boundary_ + "\r\n" + "Content-Disposition: form-data; name=\"" + escapeMultipartFileName(name) +
              "\"\r\n\r\n" + value + "\r\n");
}

void MultipartBody::addFile(const std::string& name, const fs::path& file) {
  if (finished_) throw AppError(errors::kQuickArchive, errors::kNoHttpReply, "上传内容已封口");
  const std::string shown = file.filename().string();
  auto fail = [&](int err) {
    return AppError(errors::kFile, err, "无法读取文件“" + shown + "”：" + failure::systemErrorText(err));
  };
  // Open and inspect the file now, so an unreadable file stops the upload before
  // anything is sent.
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw fail(errno);
  struct stat st {};
  int rc = ::fstat(fd, &st);
  int err = errno;
  ::close(fd);
  if (rc != 0) throw fail(err);
  if (!S_ISREG(st.st_mode)) throw fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);

  appendBytes("--" + boundary_ + "\r\n" + "Content-Disposition: form-data; name=\"" + escapeMultipartFileName(name) +
              "\"; filename=\"" + escapeMultipartFileName(shown) + "\"\r\n" +
              "Content-Type: application/octet-stream\r\n\r\n");
  pieces_.push_back(Piece{{}, file, static_cast<std::uint64_t>(st.st_size)});
  appendBytes("\r\n");
}

void MultipartBody::finish() {
  if (finished_) return;
  appendBytes("--" + boundary_ + "--\r\n");
  finished_ = true;
}

std::uint64_t MultipartBody::length() const {
  std::uint64_t n = 0;
  for (const auto& p : pieces_) n += p.size;
  return n;
}

MultipartBody MultipartBody::forFiles(const std::vector<fs::path>& files, std::string boundary) {
  MultipartBody body(std::move(boundary));
  for (const auto& f : files) body.addFile("files", f);
  body.finish();
  return body;
}

}  // namespace quorvel

// ---- the body stream ----
// A GInputStream over the pieces: literal bytes from memory, file pieces read from
// disk as the request goes out. GInputStream runs these synchronous reads on a
// worker thread for asynchronous readers such as libsoup.

namespace {
using quorvel::MultipartBody;

struct PieceReader {
  std::vector<MultipartBody::Piece> pieces;
  size_t index = 0;
  std::uint64_t offset = 0;  // within the current piece
  GInputStream* file = nullptr;
};

struct QuorvelPieceStream {
  GInputStream parent;
  PieceReader* reader;
};
struct QuorvelPieceStreamClass {
  GInputStreamClass parent_class;
};

GType quorvel_piece_stream_get_type();
G_DEFINE_TYPE(QuorvelPieceStream, quorvel_piece_stream, G_TYPE_INPUT_STREAM)

void closeCurrentFile(PieceReader* r) {
  if (r->file) {
    g_input_stream_close(r->file, nullptr, nullptr);
    g_object_unref(r->file);
    r->file = nullptr;
  }
}

gssize pieceStreamRead(GInputStream* stream, void* buffer, gsize count, GCancellable* cancellable, GError** error) {
  PieceReader* r = reinterpret_cast<QuorvelPieceStream*>(stream)->reader;
  if (count == 0) return 0;
  while (r->index < r->pieces.size()) {
    const auto& piece = r->pieces[r->index];
    std::uint64_t left = piece.size - r->offset;
    if (left == 0) {
      closeCurrentFile(r);
      ++r->index;
      r->offset = 0;
      continue;
    }
    gsize want = static_cast<gsize>(std::min<std::uint64_t>(left, count));
    if (!piece.file) {
      std::memcpy(buffer, piece.bytes.data() + r->offset, want);
      r->offset += want;
      return static_cast<gssize>(want);
    }
    if (!r->file) {
      GFile* f = g_file_new_for_path(piece.file->c_str());
      r->file = G_INPUT_STREAM(g_file_read(f, cancellable, error));
      g_object_unref(f);
      if (!r->file) return -1;
    }
    gssize n = g_input_stream_read(r->file, buffer, want, cancellable, error);
    if (n < 0) return -1;
    if (n == 0) {
      // The file shrank since its size was announced: fail rather than send a
      // body shorter than its Content-Length.
      g_set_error(error, G_IO_ERROR, G_IO_ERROR_FAILED, "文件在上传过程中被改动：%s",
                  piece.file->filename().c_str());
      return -1;
    }
    r->offset += static_cast<std::uint64_t>(n);
    return n;
  }
  return 0;
}

gboolean pieceStreamClose(GInputStream* stream, GCancellable*, GError**) {
  closeCurrentFile(reinterpret_cast<QuorvelPieceStream*>(stream)->reader);
  return TRUE;
}

void pieceStreamFinalize(GObject* object) {
  auto* self = reinterpret_cast<QuorvelPieceStream*>(object);
  closeCurrentFile(self->reader);
  delete self->reader;
  G_OBJECT_CLASS(quorvel_piece_stream_parent_class)->finalize(object);
}

void quorvel_piece_stream_class_init(QuorvelPieceStreamClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = pieceStreamFinalize;
  G_INPUT_STREAM_CLASS(klass)->read_fn = pieceStreamRead;
  G_INPUT_STREAM_CLASS(klass)->close_fn = pieceStreamClose;
}

void quorvel_piece_stream_init(QuorvelPieceStream* self) { self->reader = new PieceReader(); }
}  // namespace

namespace quorvel {

GInputStream* MultipartBody::openStream() const {
  auto* s = static_cast<QuorvelPieceStream*>(g_object_new(quorvel_piece_stream_get_type(), nullptr));
  s->reader->pieces = pieces_;
  return G_INPUT_STREAM(s);
}

std::string MultipartBody::readAll() const {
  GInputStream* s = openStream();
  std::string out(static_cast<size_t>(length()), '\0');
  gsize got = 0;
  GError* error = nullptr;
  gboolean ok = g_input_stream_read_all(s, out.data(), out.size(), &got, nullptr, &error);
  // Nothing may follow the announced length.
  char extra;
  if (ok && got == out.size() && g_input_stream_read(s, &extra, 1, nullptr, nullptr) > 0) got = out.size() + 1;
  g_input_stream_close(s, nullptr, nullptr);
  g_object_unref(s);
  if (!ok || got != out.size()) {
    std::string message = error ? error->message : "长度不符";
    g_clear_error(&error);
    throw AppError(errors::kFile, -1, message);
  }
  return out;
}

// ---- upload reply ----

long long parseUploadReply(int status, const std::string& body, std::size_t filesSent) {
  std::string text = utf8OrEmpty(body);
  auto json = nlohmann::json::parse(text, nullptr, false);
  if (isSuccessStatus(status) && json.is_object()) {
    auto success = json.find("success");
    if (success != json.end() && success->is_boolean() && success->get<bool>()) {
      auto count = json.find("count");
      if (count != json.end() && count->is_number_integer()) return count->get<long long>();
      return static_cast<long long>(filesSent);
    }
  }
  std::string reason;
  if (isSuccessStatus(status) && !json.is_object())
    reason = text.find("name=\"password\"") != std::string::npos ? failure::kSignedOut : failure::kUnreadableReply;
  else
    reason = refusal(status, json, "服务器没有接受这次上传");
  throw AppError(errors::kQuickArchive, status, reason);
}

}  // namespace quorvel
