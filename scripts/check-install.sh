#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks the installed tree:
#   - every file is where the panel and the desktop look for it;
#   - the installed panel starts, live on the installed stand-ins;
#   - a program in the installed bin folder opens the installed help;
#   - tsx4410sfp-sim lists ports, refuses a missing one and starts the panel.
# The panel has no way to be driven from outside, so the help is opened by
# sfp_snapshot copied beside it: the help viewer looks relative to the
# running program's folder, and that is what this checks.
#   bash scripts/check-install.sh [build-dir]
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
prefix=$(mktemp -d "${TMPDIR:-/tmp}/tsx4410-sfp-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
export QT_QPA_PLATFORM=offscreen
unset SFP_LIBRARY_PATH SFP_SIM_BENCH

source "$(dirname "$0")/installed-panel-checks.sh"
fail() { echo "check-install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/tsx4410sfp bin/tsx4410sfp-sim share/man/man1/tsx4410sfp-sim.1.gz share/tsx4410-sfp/tsx4410.html share/applications/tsx4410-sfp.desktop \
         share/icons/hicolor/32x32/apps/tsx4410-sfp.png \
         lib/tsx4410-sfp/sim/libvisa.so lib/tsx4410-sfp/sim/libtsx4410.so; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
# The stand-ins must never land where the loader looks by default.
[ ! -e "$prefix/lib/libvisa.so" ] || fail "libvisa.so on the default library path"

desktop=$prefix/share/applications/tsx4410-sfp.desktop
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
icon_line=$(sed -n 's/^Icon=//p' "$desktop")
[ "$exec_line" = "$prefix/bin/tsx4410sfp" ] || fail "desktop entry runs '$exec_line'"
[ -x "$exec_line" ] || fail "desktop entry's program is not executable"
[ -f "$icon_line" ] || fail "desktop entry's icon '$icon_line' is missing"
if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$desktop" || fail "desktop entry does not validate"
fi

check_installed_panel "$prefix" "$build" "$prefix"
check_installed_launcher "$prefix" "$prefix"

echo "check-install: installed tree at a scratch prefix runs live on its stand-ins (also through tsx4410sfp-sim) and opens its help"
