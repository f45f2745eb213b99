#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests, the benchmarks and the
# demo need. Idempotent; run as root (or with sudo available).
set -euo pipefail

packages=(
  # toolchain
  build-essential g++ cmake ninja-build pkg-config git clang-format lld
  # Qt 6.4 (Core, Gui, Widgets, Network, Svg, Sql/SQLite, HttpServer, Test)
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-httpserver-dev qt6-websockets-dev
  libqt6sql6-sqlite libqt6svg6 qt6-qpa-plugins qt6-wayland libgl-dev
  # the server reads large reports through SQLite's own interface and
  # compresses them with zlib
  libsqlite3-dev zlib1g-dev
  # zevra-server on PostgreSQL, and the throwaway cluster its tests run on
  libqt6sql6-psql postgresql-15
  # fonts for the interface and the embedded PDF font
  fonts-dejavu-core fontconfig
  # PDF assertions in tests, unpacking updates, certificates for the HTTPS tests
  poppler-utils unzip zip openssl
  # import tests: Timewarrior makes its own export; Python's csv module reads
  # the CSV export back
  timewarrior python3
  # benchmarks
  libbenchmark-dev
  # fuzz targets (scripts/fuzz.sh)
  clang-14 libfuzzer-14-dev
  # real-window smoke test of the tray app
  xvfb xauth trayer xdotool xclip imagemagick x11-utils dbus-x11
  # its walk of the accessibility tree, on a session bus of its own
  at-spi2-core python3-pyatspi
  # away time: the X server's idle time, and the D-Bus mocks its tests run against
  libx11-dev libxss-dev python3-dbusmock dbus-daemon
  # and the Wayland compositor's: the client library and the idle protocols'
  # XML; sway runs headless for its test, wtype types into it
  libwayland-dev libwayland-bin wayland-protocols plasma-wayland-protocols sway wtype
  # misc used by scripts
  curl procps ca-certificates tzdata
  # the load balancer the server's scale-out test runs behind
  haproxy
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages already installed"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "install-deps: missing packages (${missing[*]}) and not root; run as root" >&2
    exit 1
  fi
fi

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
echo "install-deps: installed ${missing[*]}"
