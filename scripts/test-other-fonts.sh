#!/usr/bin/env bash
# Runs the widget and end-to-end tests again under fonts other than this
# machine's defaults, so that a test that depends on the installed fonts fails
# here rather than on a user's desktop. Monospace goes to Noto Sans Mono (what
# a desktop with ghostscript gets, and a font whose spacing flag does not say
# monospaced) or, where that already is the default, to DejaVu Sans Mono;
# sans-serif to whichever of Liberation Sans and DejaVu Sans is not the default.
#   bash scripts/test-other-fonts.sh [build-dir]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)

first() { fc-match -f '%{family[0]}' "$1"; }
mono="Noto Sans Mono"; [ "$(first monospace)" != "$mono" ] || mono="DejaVu Sans Mono"
sans="Liberation Sans"; [ "$(first sans-serif)" != "$sans" ] || sans="DejaVu Sans"

missing=()
fc-list -q "$mono" || missing+=("$([ "$mono" = "Noto Sans Mono" ] && echo fonts-noto-mono || echo fonts-dejavu-core)")
fc-list -q "$sans" || missing+=("$([ "$sans" = "DejaVu Sans" ] && echo fonts-dejavu-core || echo fonts-liberation)")
if [ ${#missing[@]} -gt 0 ]; then
  echo "test-other-fonts: installing ${missing[*]}"
  sudo=; [ "$(id -u)" -eq 0 ] || sudo=sudo
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null \
    || { apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }
fi

# The preferences go first in the family list, after the system's own rules
# have made theirs, so that they win for each generic family.
conf=$build/other-fonts.conf
cat >"$conf" <<XML
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="pattern"><test name="family"><string>monospace</string></test>
    <edit name="family" mode="prepend_first" binding="strong"><string>$mono</string></edit></match>
  <match target="pattern"><test name="family"><string>sans-serif</string></test>
    <edit name="family" mode="prepend_first" binding="strong"><string>$sans</string></edit></match>
</fontconfig>
XML
export FONTCONFIG_FILE=$conf
for family in monospace sans-serif; do
  want=$([ $family = monospace ] && echo "$mono" || echo "$sans")
  if [ "$(first $family)" != "$want" ]; then
    echo "test-other-fonts: $family is $(first $family) under $conf, not $want" >&2
    exit 1
  fi
done
echo "test-other-fonts: widget and end-to-end tests with monospace = $mono, sans-serif = $sans"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest -L 'widgets|e2e' --output-on-failure -j"${JOBS:-2}"
