#include <cairo.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "features/workspace/DeepLinkRouter.h"

using namespace quorvel;
namespace fs = std::filesystem;

namespace {

const fs::path kSource = QUORVEL_SOURCE_DIR;
const fs::path kEntry = kSource / "resources" / "cn.quorvel.client.desktop";
// The desktop search's provider file, under a data folder.
const fs::path kProvider = "gnome-shell/search-providers/cn.quorvel.client.search-provider.ini";

struct Run {
  int status = -1;
  std::string out, err;
};

// Runs a program with extra environment, waiting for its end.
Run run(const std::vector<std::string>& argv, const std::vector<std::string>& env = {}) {
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  char** envp = g_get_environ();
  for (auto& e : env) {
    auto eq = e.find('=');
    envp = g_environ_setenv(envp, e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), TRUE);
  }
  Run r;
  char *out = nullptr, *err = nullptr;
  GError* error = nullptr;
  if (g_spawn_sync(kSource.c_str(), args.data(), envp, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out, &err, &r.status,
                   &error)) {
    r.out = out ? out : "";
    r.err = err ? err : "";
  } else {
    r.err = error->message;
    g_error_free(error);
  }
  g_free(out);
  g_free(err);
  g_strfreev(envp);
  return r;
}

std::string text(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(DesktopEntry, ValidatesAndItsActionsAreLinksTheRouterKnows) {
  auto v = run({"desktop-file-validate", kEntry.string()});
  EXPECT_EQ(v.status, 0) << v.out << v.err;

  GKeyFile* kf = g_key_file_new();
  ASSERT_TRUE(g_key_file_load_from_file(kf, kEntry.c_str(), G_KEY_FILE_NONE, nullptr));
  auto str = [&](const char* group, const char* key) {
    char* s = g_key_file_get_string(kf, group, key, nullptr);
    std::string r = s ? s : "";
    g_free(s);
    return r;
  };
  // The window's class is the application id, so launchers match the window.
  EXPECT_EQ(str("Desktop Entry", "StartupWMClass"), "cn.quorvel.client");
  EXPECT_EQ(str("Desktop Entry", "Icon"), "cn.quorvel.client");
  EXPECT_NE(str("Desktop Entry", "MimeType").find("x-scheme-handler/quorvel;"), std::string::npos);
  EXPECT_NE(str("Desktop Entry", "Exec").find("%U"), std::string::npos);

  gsize n = 0;
  char** actions = g_key_file_get_string_list(kf, "Desktop Entry", "Actions", &n, nullptr);
  ASSERT_GE(n, 2u);
  for (gsize i = 0; i < n; ++i) {
    std::string exec = str(("Desktop Action " + std::string(actions[i])).c_str(), "Exec");
    auto space = exec.find(' ');
    ASSERT_NE(space, std::string::npos) << exec;
    std::string link = exec.substr(space + 1);
    EXPECT_TRUE(DeepLinkRouter::resolve(link, *Url::parse("https://example.com"))) << actions[i] << ": " << link;
  }
  g_strfreev(actions);
  g_key_file_free(kf);
}

TEST(DesktopEntry, CommittedIconsHaveTheirSizes) {
  for (int size : {16, 32, 48, 64, 128, 256}) {
    const std::string dim = std::to_string(size) + "x" + std::to_string(size);
    auto file = kSource / "resources/icons/hicolor" / dim / "apps/cn.quorvel.client.png";
    cairo_surface_t* s = cairo_image_surface_create_from_png(file.c_str());
    EXPECT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS) << file;
    EXPECT_EQ(cairo_image_surface_get_width(s), size) << file;
    EXPECT_EQ(cairo_image_surface_get_height(s), size) << file;
    cairo_surface_destroy(s);
  }
}

TEST(DesktopEntry, InstallingIntoAProfileMakesTheClientTheLinkHandler) {
  test::TempHome home;
  const fs::path profile = home.root() / "profile" / "home";
  const fs::path data = profile / ".local/share", config = profile / ".config";
  const fs::path binary = home.root() / "bin" / "quorvel";
  fs::create_directories(binary.parent_path());
  std::ofstream(binary) << "#!/bin/sh\necho \"$HOME|$QUORVEL_SEPARATE_INSTANCE|$*\"\n";
  fs::permissions(binary, fs::perms::owner_all);

  auto install = run({"bash", "scripts/install-desktop-entry.sh", data.string(), binary.string(),
                      "HOME=" + profile.string(), "XDG_CONFIG_HOME=" + config.string(),
                      "QUORVEL_SEPARATE_INSTANCE=1"});
  ASSERT_EQ(install.status, 0) << install.out << install.err;

  const std::vector<std::string> env = {"XDG_DATA_HOME=" + data.string(), "XDG_CONFIG_HOME=" + config.string(),
                                        "XDG_CURRENT_DESKTOP=", "DE="};
  auto query = run({"xdg-mime", "query", "default", "x-scheme-handler/quorvel"}, env);
  EXPECT_EQ(query.out, "cn.quorvel.client.desktop\n") << query.err;
  // Nothing went to the account's own configuration.
  EXPECT_FALSE(fs::exists(home.configHome() / "mimeapps.list"));

  const fs::path entry = data / "applications/cn.quorvel.client.desktop";
  EXPECT_EQ(run({"desktop-file-validate", entry.string()}).status, 0);
  EXPECT_NE(text(data / "applications/mimeinfo.cache").find("x-scheme-handler/quorvel=cn.quorvel.client.desktop"),
            std::string::npos);
  for (const char* dim : {"16x16", "48x48", "256x256"})
    EXPECT_TRUE(fs::exists(data / "icons/hicolor" / dim / "apps/cn.quorvel.client.png")) << dim;
  EXPECT_EQ(text(data / kProvider), text(kSource / "resources/cn.quorvel.client.search-provider.ini"));

  // The entry starts the profile's launcher, which starts the client with the
  // profile's environment and passes the link on.
  GKeyFile* kf = g_key_file_new();
  ASSERT_TRUE(g_key_file_load_from_file(kf, entry.c_str(), G_KEY_FILE_NONE, nullptr));
  char* exec = g_key_file_get_string(kf, "Desktop Action todo", "Exec", nullptr);
  ASSERT_TRUE(exec);
  int argc = 0;
  char** argv = nullptr;
  ASSERT_TRUE(g_shell_parse_argv(exec, &argc, &argv, nullptr));
  std::vector<std::string> command(argv, argv + argc);
  g_strfreev(argv);
  g_free(exec);
  g_key_file_free(kf);
  auto launched = run(command, {"HOME=/elsewhere"});
  EXPECT_EQ(launched.out, profile.string() + "|1|quorvel://todo\n") << launched.err;
}

TEST(DesktopEntry, CMakeInstallPutsWhatTheInstallScriptPuts) {
  test::TempHome home;
  const fs::path prefix = home.root() / "prefix";
  auto install = run({QUORVEL_CMAKE, "--install", QUORVEL_BUILD_DIR, "--prefix", prefix.string()}, {"DESTDIR="});
  ASSERT_EQ(install.status, 0) << install.out << install.err;
  const fs::path data = prefix / "share";
  EXPECT_TRUE(fs::exists(prefix / "bin/quorvel"));
  EXPECT_EQ(text(data / "applications/cn.quorvel.client.desktop"), text(kEntry));
  EXPECT_EQ(text(data / kProvider), text(kSource / "resources/cn.quorvel.client.search-provider.ini"));
  for (const char* dim : {"16x16", "48x48", "256x256"})
    EXPECT_TRUE(fs::exists(data / "icons/hicolor" / dim / "apps/cn.quorvel.client.png")) << dim;
}

}  // namespace
