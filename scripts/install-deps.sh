#!/usr/bin/env bash
# Installs the Debian packages the panel needs to build, test and run.
# Runs apt-get (and its index update) only when something is actually missing,
# so repeated `make` calls cost nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev
  fonts-liberation
  xvfb xauth
  clang libclang-rt-dev
  # make deb / make check-deb: the package, its checks, and a standard VISA
  # client to try the stand-in libvisa.so with
  dpkg-dev fakeroot file lintian desktop-file-utils appstream python3-pyvisa
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=sudo
  else
    echo "install-deps: missing packages (${missing[*]}) and not running as root; install them and retry." >&2
    exit 1
  fi
else
  SUDO=
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
