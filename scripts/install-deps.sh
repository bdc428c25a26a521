#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the running client need.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
PKGS=(
  build-essential cmake ninja-build pkg-config git ccache
  libgtkmm-4.0-dev libgtk-4-dev libwebkitgtk-6.0-dev libsoup-3.0-dev
  libglib2.0-dev libglibmm-2.68-dev glib-networking
  nlohmann-json3-dev libicu-dev libsqlite3-dev libx11-dev libxss-dev libpam0g-dev libepoxy-dev
  libgtest-dev libgmock-dev googletest
  xvfb xauth dbus dbus-x11 dbus-user-session at-spi2-core
  fonts-noto-cjk fonts-noto-color-emoji
  python3 procps xdotool
  # desktop entry: checking it, the handler cache and the quorvel:// default
  desktop-file-utils xdg-utils
  # tray tests: a real StatusNotifierWatcher
  haskell-status-notifier-item-utils
  # Page export, login item and update check tests: pdftotext, desktop-file-validate, dpkg-deb.
  poppler-utils dpkg
  # System calendar store: Evolution Data Server (libecal) and its registry/calendar services.
  libecal2.0-dev libedataserver1.2-dev evolution-data-server
  # case volume (GVfs WebDAV mounts, a local WebDAV server for tests and the demo), PDF previews
  gvfs gvfs-daemons gvfs-backends gvfs-fuse fuse3 libsecret-1-dev gnome-keyring lighttpd lighttpd-mod-webdav libpoppler-glib-dev
  # Screen-region recognition without a desktop portal: region capture on X11 (tests put stand-ins on PATH).
  maim
  # Text recognition (three languages), reading PDFs, writing searchable PDFs.
  # Scanning paper documents into the quick-archive window (SANE's scanimage).
  sane-utils
  tesseract-ocr tesseract-ocr-chi-sim tesseract-ocr-chi-tra tesseract-ocr-eng libtesseract-dev libleptonica-dev libqpdf-dev
  # Window tests that need a window manager honouring the desktop's window states.
  openbox
  # The feed parser's fuzz target (scripts/fuzz-feed.sh): clang and its libFuzzer runtime.
  clang libclang-rt-14-dev
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -y
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
