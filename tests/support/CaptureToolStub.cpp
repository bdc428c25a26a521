#include "CaptureToolStub.h"

#include <cairo.h>
#include <glib.h>

#include <cstdlib>
#include <fstream>

namespace quorvel::test {

namespace {
std::optional<std::string> env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::optional<std::string>(v) : std::nullopt;
}
void restore(const char* name, const std::optional<std::string>& value) {
  if (value)
    setenv(name, value->c_str(), 1);
  else
    unsetenv(name);
}
}  // namespace

CaptureToolStub::CaptureToolStub() {
  char pattern[] = "/tmp/quorvel-capture-stub-XXXXXX";
  dir_ = g_mkdtemp(pattern);
  savedPath_ = env("PATH");
  savedWayland_ = env("WAYLAND_DISPLAY");
  setenv("PATH", dir_.c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");
}

CaptureToolStub::~CaptureToolStub() {
  restore("PATH", savedPath_);
  restore("WAYLAND_DISPLAY", savedWayland_);
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

void CaptureToolStub::install(const std::string& name, const std::string& body) {
  auto script = dir_ / name;
  {
    std::ofstream out(script);
    out << "#!/bin/sh\n"
        << ": > '" << (dir_ / (name + ".args")).string() << "'\n"
        << "for a in \"$@\"; do printf '%s\\n' \"$a\" >> '" << (dir_ / (name + ".args")).string() << "'; done\n"
        << "for out in \"$@\"; do :; done\n"
        << body << "\n";
  }
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
}

void CaptureToolStub::installCopying(const std::string& name, const std::filesystem::path& image) {
  install(name, "/bin/cp '" + image.string() + "' \"$out\"");
}

std::optional<std::vector<std::string>> CaptureToolStub::argsOf(const std::string& name) const {
  std::ifstream in(dir_ / (name + ".args"));
  if (!in) return std::nullopt;
  std::vector<std::string> args;
  for (std::string line; std::getline(in, line);) args.push_back(line);
  return args;
}

void writeBlankPng(const std::filesystem::path& path, int width, int height) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_write_to_png(s, path.c_str());
  cairo_surface_destroy(s);
}

}  // namespace quorvel::test
