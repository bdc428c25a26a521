// quorvel-test-service: the test service as a process of its own, for manual runs and
// for tests that need the service outside their own process.
// Prints "http://127.0.0.1:PORT" on the first line of stdout, then serves until
// SIGTERM or SIGINT.
//   --port N          bind N (0: any free port)
//   --port-file PATH  bind the port PATH holds; when PATH is absent, unreadable or its
//                     port is taken, bind a free one and write it to PATH
//   --demo            the sign-in page signs a demo account in by itself
//   --share-dir DIR   the case share's folder: uploads are stored there as well
//   --outage NAME     badges and deadlines fail as NAME says (TestServiceOutage.h);
//                     "POST /__test/outage" switches it while the service runs
//   --form-sign-in    the sign-in page shows its form also with --demo
//   --refuse-sign-in  the sign-in page refuses every password
//   --todos-stay-open a to-do marked done stays open (TestServiceLive.h)
#include <glib-unix.h>
#include <glib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

#include "TestService.h"
#include "TestServiceLive.h"
#include "TestServiceOutage.h"
#include "TestServiceTodos.h"

namespace {
gboolean quitLoop(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_REMOVE;
}

int usage() {
  std::fprintf(stderr,
               "usage: quorvel-test-service [--port N | --port-file PATH] [--demo] [--share-dir DIR] "
               "[--outage none|500|403|malformed|other-shape|hang|huge|huge-user] [--form-sign-in] [--refuse-sign-in] "
               "[--todos-stay-open]\n");
  return 2;
}

std::optional<unsigned> parsePort(const std::string& text, bool allowZero) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  unsigned n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<unsigned>(c - '0');
  }
  if (n > 65535 || (n == 0 && !allowZero)) return std::nullopt;
  return n;
}

// The port a port file holds; nothing for a missing file or anything but one number.
std::optional<unsigned> readPortFile(const std::string& path) {
  char* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr)) return std::nullopt;
  std::string text(contents, length);
  g_free(contents);
  auto b = text.find_first_not_of(" \t\r\n");
  auto e = text.find_last_not_of(" \t\r\n");
  if (b == std::string::npos) return std::nullopt;
  return parsePort(text.substr(b, e - b + 1), false);
}

// Temp file and rename (GLib's "consistent" mode): a reader never sees half a number.
bool writePortFile(const std::string& path, unsigned port) {
  std::string text = std::to_string(port) + "\n";
  GError* error = nullptr;
  if (!g_file_set_contents_full(path.c_str(), text.c_str(), static_cast<gssize>(text.size()),
                                G_FILE_SET_CONTENTS_CONSISTENT, 0644, &error)) {
    std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), error ? error->message : "unknown error");
    g_clear_error(&error);
    return false;
  }
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  std::optional<unsigned> port;
  std::optional<std::string> portFile;
  bool demo = false;
  std::optional<std::string> shareDir;
  std::optional<quorvel::test::TestService::Outage> outage;
  bool formSignIn = false, refuseSignIn = false, todosStayOpen = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--demo") {
      demo = true;
    } else if (arg == "--form-sign-in") {
      formSignIn = true;
    } else if (arg == "--refuse-sign-in") {
      refuseSignIn = true;
    } else if (arg == "--todos-stay-open") {
      todosStayOpen = true;
    } else if (arg == "--port" && i + 1 < argc) {
      if (!(port = parsePort(argv[++i], true))) return usage();
    } else if (arg.rfind("--port=", 0) == 0) {
      if (!(port = parsePort(arg.substr(7), true))) return usage();
    } else if (arg == "--port-file" && i + 1 < argc) {
      portFile = argv[++i];
    } else if (arg.rfind("--port-file=", 0) == 0) {
      portFile = arg.substr(12);
    } else if (arg == "--share-dir" && i + 1 < argc) {
      shareDir = argv[++i];
    } else if (arg.rfind("--share-dir=", 0) == 0) {
      shareDir = arg.substr(12);
    } else if ((arg == "--outage" && i + 1 < argc) || arg.rfind("--outage=", 0) == 0) {
      if (!(outage = quorvel::test::outageNamed(arg == "--outage" ? argv[++i] : arg.substr(9)))) return usage();
    } else {
      return usage();
    }
  }
  if (shareDir && shareDir->empty()) return usage();
  if ((port && portFile) || (portFile && portFile->empty())) return usage();

  quorvel::test::TestService service;
  if (shareDir) service.setCaseShareDir(std::filesystem::path(*shareDir));
  try {
    if (portFile) {
      // A saved port keeps the client's restored tabs pointing at this service.
      auto saved = readPortFile(*portFile);
      if (saved) {
        try {
          service.start(*saved);
        } catch (const std::exception& e) {
          std::fprintf(stderr, "%s; taking a free port\n", e.what());
        }
      }
      if (!service.running()) service.start(0);
      if (service.port() != saved) writePortFile(*portFile, service.port());
    } else {
      service.start(port.value_or(0));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  if (demo) {
    // The to-do lists match the badge counts the dashboard shows.
    quorvel::test::useTodoDemoData(service);
    // A newcomer's first start lands on the dashboard, a restart on its own page:
    // the sign-in page signs in a demo account by itself.
    service.setSignsInByItself(!formSignIn);
  }
  if (refuseSignIn) quorvel::test::setSignInRefused(service, true);
  if (todosStayOpen) quorvel::test::setTodosStayOpen(service, true);
  if (outage) {
    // "huge" makes both replies huge: the deadlines a 20 MB page, the badges a
    // 150,000-character user name.
    service.setOutage(*outage);
    if (*outage == quorvel::test::TestService::Outage::hugeBody)
      service.setBadgeOutage(quorvel::test::TestService::Outage::hugeUserName);
  }
  // Signals are caught before the address is announced: whoever reads it may stop us at once.
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  g_unix_signal_add(SIGTERM, quitLoop, loop);
  g_unix_signal_add(SIGINT, quitLoop, loop);
  std::printf("%s\n", service.baseUrl().c_str());
  std::fflush(stdout);

  g_main_loop_run(loop);
  g_main_loop_unref(loop);
  service.stop();
  return 0;
}
