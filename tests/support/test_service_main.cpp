// quorvel-test-service: the test service as a process of its own, for manual runs and
// for tests that need the service outside their own process.
// Prints "http://127.0.0.1:PORT" on the first line of stdout, then serves until
// SIGTERM or SIGINT.
#include <glib-unix.h>
#include <glib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "TestService.h"

namespace {
gboolean quitLoop(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_REMOVE;
}

int usage() {
  std::fprintf(stderr, "usage: quorvel-test-service [--port N] [--demo]\n");
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  unsigned port = 0;
  bool demo = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    if (arg == "--demo") {
      demo = true;
      continue;
    }
    if (arg == "--port" && i + 1 < argc) {
      value = argv[++i];
    } else if (arg.rfind("--port=", 0) == 0) {
      value = arg.substr(7);
    } else {
      return usage();
    }
    char* end = nullptr;
    unsigned long n = std::strtoul(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || n > 65535) return usage();
    port = static_cast<unsigned>(n);
  }

  quorvel::test::TestService service;
  try {
    service.start(port);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  if (demo) {
    // A newcomer's first start lands on the dashboard: the sign-in page signs in a
    // demo account by itself ("/login?manual=1" shows the real form).
    service.setRoute("/login", [&service](const quorvel::test::RecordedRequest& r) {
      if (r.method == "GET" && !r.queryValue("manual")) {
        auto reply = quorvel::test::Reply::redirect("/dashboard");
        reply.headers.emplace_back("Set-Cookie", std::string(quorvel::test::TestService::kSessionCookie) + "=" +
                                                     service.issueSession() + "; Path=/; HttpOnly");
        return reply;
      }
      return service.loginRoute(r);
    });
  }
  std::printf("%s\n", service.baseUrl().c_str());
  std::fflush(stdout);

  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  g_unix_signal_add(SIGTERM, quitLoop, loop);
  g_unix_signal_add(SIGINT, quitLoop, loop);
  g_main_loop_run(loop);
  g_main_loop_unref(loop);
  service.stop();
  return 0;
}
