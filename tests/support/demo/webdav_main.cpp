// quorvel-demo-webdav: the demo's case volume, a local WebDAV server (lighttpd) holding
// the sample case folders the demo service's pages link to. Prints the share address
// on the first line of stdout and the share's folder on the second, then serves until
// SIGTERM or SIGINT.
#include <glib-unix.h>
#include <glib.h>

#include <cstdio>
#include <exception>

#include "WebDavServer.h"

int main() {
  quorvel::test::WebDavServer dav("zhang", "mh-2026");
  if (!dav.available()) {
    std::fprintf(stderr, "lighttpd with mod_webdav is not installed (scripts/install-deps.sh)\n");
    return 1;
  }
  try {
    dav.addDemoCaseFiles();
    dav.start();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("%s\n%s\n", dav.shareURI().c_str(), dav.shareDir().c_str());
  std::fflush(stdout);
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  auto quit = +[](gpointer l) -> gboolean {
    g_main_loop_quit(static_cast<GMainLoop*>(l));
    return G_SOURCE_REMOVE;
  };
  g_unix_signal_add(SIGTERM, quit, loop);
  g_unix_signal_add(SIGINT, quit, loop);
  g_main_loop_run(loop);
  g_main_loop_unref(loop);
  return 0;
}
