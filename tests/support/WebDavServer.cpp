#include "WebDavServer.h"

#include "MirrorDemoTree.h"
#include "TestPages.h"

#include <arpa/inet.h>
#include <gio/gio.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quorvel::test {
namespace fs = std::filesystem;

namespace {
constexpr const char* kLighttpd = "/usr/sbin/lighttpd";
constexpr const char* kModules = "/usr/lib/lighttpd";

unsigned freePort() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(s);
  return ntohs(a.sin_port);
}

bool accepts(unsigned port) {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}
}  // namespace

WebDavServer::WebDavServer(std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
  char tmpl[] = "/tmp/quorvel-webdav-XXXXXX";
  dir_ = mkdtemp(tmpl);
  fs::create_directories(shareDir());
}

WebDavServer::~WebDavServer() {
  stop();
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

bool WebDavServer::available() const {
  return fs::exists(kLighttpd) && fs::exists(fs::path(kModules) / "mod_webdav.so");
}

std::string WebDavServer::shareURI() const { return "dav://127.0.0.1:" + std::to_string(port_) + "/zm"; }

void WebDavServer::putFile(const std::string& rel, const std::string& bytes) const {
  fs::path p = shareDir() / rel;
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

void WebDavServer::start() {
  if (process_) return;
  port_ = freePort();
  std::ofstream(dir_ / "users") << user_ << ":" << password_ << "\n";
  std::ofstream conf(dir_ / "lighttpd.conf");
  conf << "server.document-root = \"" << (dir_ / "root").string() << "\"\n"
       << "server.bind = \"127.0.0.1\"\nserver.port = " << port_ << "\n"
       << "server.modules = (\"mod_rewrite\", \"mod_auth\", \"mod_authn_file\", \"mod_webdav\")\n"
       << "server.errorlog = \"" << (dir_ / "error.log").string() << "\"\n"
       << "server.pid-file = \"" << (dir_ / "lighttpd.pid").string() << "\"\n"
       << "webdav.activate = \"enable\"\nwebdav.is-readonly = \"disable\"\n"
       << "webdav.sqlite-db-name = \"" << (dir_ / "props.db").string() << "\"\n"
       // GVfs cannot mount a share whose OPTIONS answer redirects "/zm" to "/zm/".
       << "url.rewrite-once = ( \"^/zm$\" => \"/zm/\" )\n"
       << "auth.backend = \"plain\"\nauth.backend.plain.userfile = \"" << (dir_ / "users").string() << "\"\n"
       << "auth.require = ( \"/zm\" => ( \"method\" => \"basic\", \"realm\" => \"zm\", \"require\" => "
          "\"valid-user\" ) )\n"
       << "mimetype.assign = ( \".pdf\" => \"application/pdf\", \".txt\" => \"text/plain; charset=utf-8\", \"\" => "
          "\"application/octet-stream\" )\n";
  if (kbps_) conf << "connection.kbytes-per-second = " << kbps_ << "\n";
  conf.close();
  std::string confPath = (dir_ / "lighttpd.conf").string();
  GError* err = nullptr;
  process_ = g_subprocess_new(G_SUBPROCESS_FLAGS_STDOUT_SILENCE, &err, kLighttpd, "-D", "-f", confPath.c_str(), "-m",
                              kModules, nullptr);
  if (!process_) {
    std::string m = err ? err->message : "unknown";
    g_clear_error(&err);
    throw std::runtime_error("lighttpd did not start: " + m);
  }
  for (int i = 0; i < 100; ++i) {
    if (accepts(port_)) return;
    if (!g_subprocess_get_identifier(process_)) break;  // exited
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::ifstream log(dir_ / "error.log");
  std::stringstream s;
  s << log.rdbuf();
  stop();
  throw std::runtime_error("lighttpd did not accept connections: " + s.str());
}

void WebDavServer::stop() {
  if (!process_) return;
  g_subprocess_send_signal(process_, SIGTERM);
  g_subprocess_wait(process_, nullptr, nullptr);
  g_object_unref(process_);
  process_ = nullptr;
}

std::string WebDavServer::samplePdf(const std::string& title, int pages) {
  // A minimal PDF with one text line per page (Helvetica, ASCII title).
  std::vector<std::string> objs;
  std::string kids;
  int first = 3;
  for (int i = 0; i < pages; ++i) kids += std::to_string(first + i * 2) + " 0 R ";
  objs.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  objs.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  int fontObj = first + pages * 2;
  for (int i = 0; i < pages; ++i) {
    std::string text = "BT /F1 22 Tf 72 760 Td (" + title + ") Tj ET BT /F1 13 Tf 72 728 Td (Page " +
                       std::to_string(i + 1) + " of " + std::to_string(pages) +
                       ") Tj ET 0.85 0.75 0.5 RG 2 w 72 710 m 523 710 l S "
                       "0.3 g BT /F1 11 Tf 72 680 Td 16 TL (1. The parties agree to the terms set out below.) Tj T* "
                       "(2. Payment is due within thirty days of delivery.) Tj T* "
                       "(3. Disputes go to the court of the place of performance.) Tj ET";
    objs.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 " +
                   std::to_string(fontObj) + " 0 R >> >> /Contents " + std::to_string(first + i * 2 + 1) +
                   " 0 R >>");
    objs.push_back("<< /Length " + std::to_string(text.size()) + " >>\nstream\n" + text + "\nendstream");
  }
  objs.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  std::string out = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objs.size(); ++i) {
    offsets.push_back(out.size());
    out += std::to_string(i + 1) + " 0 obj\n" + objs[i] + "\nendobj\n";
  }
  size_t xref = out.size();
  out += "xref\n0 " + std::to_string(objs.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t o : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", o);
    out += line;
  }
  out += "trailer\n<< /Size " + std::to_string(objs.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return out;
}

void WebDavServer::addDemoCaseFiles() const {
  putFile("案件/2026/起诉状.pdf", samplePdf("Civil Complaint - Zhang San v. Li Si", 3));
  putFile("案件/2026/庭审提纲.docx", "PK demo docx placeholder");
  putFile("案件/2026/答辩状（第二稿）.docx", "PK demo docx placeholder");
  putFile("案件/2026/财产线索清单.xlsx", "PK demo xlsx placeholder");
  putFile("案件/2026/办案笔记.txt", "2026年3月2日 与委托人张三电话沟通，确认诉讼请求与证据清单。\n");
  // The files the proceeding pages list, so their buttons find them on the volume.
  for (const auto& rel : pages::proceedingFilePaths()) {
    bool pdf = rel.size() > 4 && rel.compare(rel.size() - 4, 4, ".pdf") == 0;
    putFile(rel, pdf ? samplePdf("Case file", 1) : "PK demo placeholder");
  }
  // The contracts' folders the demo service lists in its manifests.
  for (const auto& c : mirrorDemoTree())
    for (const auto& f : c.files) putFile(mirrorDemoTail(c.folder + "/" + f.rel), f.bytes);
}

}  // namespace quorvel::test
