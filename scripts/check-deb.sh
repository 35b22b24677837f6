#!/usr/bin/env bash
# Checks the Debian package that `make deb` built:
#   - lintian finds no error (its whole report is printed);
#   - the desktop entry and the software-centre entry validate;
#   - dpkg installs it into a scratch root, its dependencies judged against
#     this machine's installed packages, and every file is where the desktop
#     and the program look for it;
#   - the installed panel starts, live on the installed stand-ins;
#   - a program in the installed bin folder opens the installed help;
#   - tsx4410sfp-sim lists ports, refuses a missing one and starts the panel.
# The system's own dpkg database and files are never touched.
#   bash scripts/check-deb.sh <package.deb> [build-dir]
# build-dir: where sfp_snapshot was built (the panel has no way to be driven
# from outside, so the help is opened by sfp_snapshot copied beside it, as
# scripts/check-install.sh does).
set -euo pipefail

source "$(dirname "$0")/installed-panel-checks.sh"
fail() { echo "check-deb: $*" >&2; exit 1; }

[ $# -ge 1 ] || fail "usage: check-deb.sh <package.deb> [build-dir]"
[ $# -le 2 ] || fail "more than one package given: $*"
deb=$(realpath "$1")
build=$(cd "${2:-build-pkg}" && pwd)
[ -f "$deb" ] || fail "no package at $1"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tsx4410-sfp-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export QT_QPA_PLATFORM=offscreen
unset SFP_LIBRARY_PATH SFP_SIM_BENCH SFP_SIM_TRACE

version=$(dpkg-deb -f "$deb" Version)
arch=$(dpkg-deb -f "$deb" Architecture)
[ "$(basename "$deb")" = "tsx4410-sfp_${version}_${arch}.deb" ] || fail "package named $(basename "$deb")"

# lintian: errors fail the check. The tags it may still report, and why:
#   package-contains-documentation-outside-usr-share-doc (info): the help
#     document is the program's own data, opened from its Help menu.
#   Running as root (as CI does) only makes lintian print a caution.
echo "check-deb: lintian $(lintian --version | sed 's/^Lintian v//')"
lintian --fail-on error --display-info --pedantic "$deb" 2>&1 | grep -v '^running with root privileges' \
  || [ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian reports errors (above)"

# Into a scratch root with an administrative folder of its own: a copy of
# this machine's package list, so that the package's dependencies are
# checked against what is really installed.
root=$scratch/root
admin=$root/var/lib/dpkg
mkdir -p "$admin/info" "$admin/updates" "$admin/triggers"
cp /var/lib/dpkg/status "$admin/status"
touch "$admin/available"
force=()
[ "$(id -u)" -eq 0 ] || force=(--force-not-root)
dpkg --root="$root" --log="$scratch/dpkg.log" "${force[@]}" -i "$deb" >"$scratch/dpkg.out" 2>&1 \
  || fail "dpkg -i into a scratch root failed: $(cat "$scratch/dpkg.out")"
dpkg --root="$root" -s tsx4410-sfp | grep -qx 'Status: install ok installed' \
  || fail "dpkg does not list the package as installed in the scratch root"

usr=$root/usr
for f in bin/tsx4410sfp bin/tsx4410sfp-sim share/tsx4410-sfp/tsx4410.html share/applications/tsx4410-sfp.desktop \
         share/icons/hicolor/32x32/apps/tsx4410-sfp.png share/icons/hicolor/scalable/apps/tsx4410-sfp.svg \
         share/man/man1/tsx4410sfp.1.gz share/man/man1/tsx4410sfp-sim.1.gz share/doc/tsx4410-sfp/copyright share/doc/tsx4410-sfp/changelog.gz \
         lib/tsx4410-sfp/sim/libvisa.so lib/tsx4410-sfp/sim/libtsx4410.so; do
  [ -f "$usr/$f" ] || fail "missing /usr/$f"
done
metainfo=$(find "$usr/share/metainfo" -name '*.metainfo.xml')
[ "$(wc -l <<<"$metainfo")" -eq 1 ] && [ -f "$metainfo" ] || fail "no single metainfo file: $metainfo"
# The stand-ins must never land where the loader looks by default.
[ -z "$(find "$root" -name 'libvisa.so*' -not -path '*/lib/tsx4410-sfp/sim/*')" ] \
  || fail "a stand-in outside /usr/lib/tsx4410-sfp/sim"

desktop=$usr/share/applications/tsx4410-sfp.desktop
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
[ "$(sed -n 's/^Exec=//p' "$desktop")" = /usr/bin/tsx4410sfp ] || fail "desktop entry runs $(grep ^Exec= "$desktop")"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = tsx4410-sfp ] || fail "desktop entry's icon: $(grep ^Icon= "$desktop")"
appstreamcli validate --no-net "$metainfo" || fail "metainfo does not validate"
grep -q '<launchable type="desktop-id">tsx4410-sfp.desktop</launchable>' "$metainfo" \
  || fail "metainfo does not launch the desktop entry"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo's release is not $version"
zcat "$usr/share/doc/tsx4410-sfp/changelog.gz" | head -1 | grep -q "^tsx4410-sfp ($version) " \
  || fail "changelog's version is not $version"
for page in tsx4410sfp tsx4410sfp-sim; do
  if man_warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
                    man --warnings -E UTF-8 -l -Tutf8 -Z "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null) \
     && [ -z "$man_warnings" ]; then :; else fail "manual page $page.1: $man_warnings"; fi
done

# The program names the version the package carries (A.01.01 is 1.1.1).
shown=$("$usr/bin/tsx4410sfp" --version) || fail "--version failed"
[ "$(sed -E 's/^tsx4410sfp ([A-Z])\.0*([0-9]+)\.0*([0-9]+)$/\1 \2.\3/' <<<"$shown" |
     awk '{ printf "%d.%s", index("ABCDEFGHIJKLMNOPQRSTUVWXYZ", $1), $2 }')" = "$version" ] \
  || fail "--version says \"$shown\", the package is $version"

check_installed_panel "$usr" "$build" "$scratch"
check_installed_launcher "$usr" "$scratch"

echo "check-deb: $(basename "$deb") passes lintian, validates, installs into a scratch root," \
     "runs live on its stand-ins (also through tsx4410sfp-sim) and opens its help"
