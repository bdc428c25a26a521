#pragma once
// A real WebDAV server for the case-volume tests and the demo: lighttpd with
// mod_webdav and basic auth on 127.0.0.1, started with a generated configuration in
// a temporary folder on a free port, stopped (and the folder removed) with the object.
#include <filesystem>
#include <string>

typedef struct _GSubprocess GSubprocess;

namespace quorvel::test {

class WebDavServer {
 public:
  // `user`/`password` may sign in; the share lives at "/zm" (files under root()/zm).
  WebDavServer(std::string user = "zhang", std::string password = "mh-2026");
  ~WebDavServer();
  WebDavServer(const WebDavServer&) = delete;
  WebDavServer& operator=(const WebDavServer&) = delete;

  // Starts lighttpd and waits until it accepts connections; throws on failure.
  void start();
  // Limits each connection's speed (0: unlimited); set before start().
  void setKiloBytesPerSecond(unsigned kbps) { kbps_ = kbps; }
  void stop();
  bool available() const;  // lighttpd and mod_webdav installed

  unsigned port() const { return port_; }
  // "dav://127.0.0.1:PORT/zm"
  std::string shareURI() const;
  std::filesystem::path shareDir() const { return dir_ / "root" / "zm"; }
  // Writes a file under the share (folders made as needed).
  void putFile(const std::string& rel, const std::string& bytes) const;

  // A small PDF of `pages` pages with a title line on each (for previews).
  static std::string samplePdf(const std::string& title, int pages);
  // The sample case folders the demo's dashboard links to.
  void addDemoCaseFiles() const;

 private:
  std::string user_, password_;
  std::filesystem::path dir_;
  unsigned port_ = 0;
  unsigned kbps_ = 0;
  GSubprocess* process_ = nullptr;
};

}  // namespace quorvel::test
