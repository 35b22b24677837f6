#!/usr/bin/env bash
# Pictures of the panels for the README and the help document: starts the real
# program on Qt's offscreen platform through sfp_snapshot and writes PNGs into
# docs/images/. Builds what it needs first.
#   bash scripts/make-pictures.sh [build-dir]      (default: build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
jobs=${JOBS:-2}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" >/dev/null
fi
cmake --build "$build" -j"$jobs" --target sfp_snapshot visa_stub tsx4410_stub >/dev/null
build=$(cd "$build" && pwd)

snap=$build/sfp_snapshot
out=$root/docs/images
mkdir -p "$out"

export QT_QPA_PLATFORM=offscreen
unset SFP_LIBRARY_PATH SFP_SIM_BENCH SFP_SIM_TRACE
# Non-live: no instrument libraries on the search path (start-up's message is
# answered at once). Live: the stand-ins' built-in bench, one module in slot 5.
nonlive() { env -u LD_LIBRARY_PATH "$snap" "$@"; }
live() { env LD_LIBRARY_PATH="$build/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" "$snap" "$@"; }

nonlive "$out/main-nonlive.png" main
# Two ticks: the first sends what was typed, the second shows it come back.
live "$out/main-live.png" main --start --type "Hi 4410" --ticks 2
live "$out/setting.png" setting
live "$out/status.png" status --press "Read Error Queue"
# The Traffic window: pattern tests on channels 1 (counting) and 3 (text line)
# for a second and a half beside a loop test that sent "Hi 4410".
live "$out/traffic.png" traffic --pattern-text 3 --pattern 1 --pattern 3 --start --type "Hi 4410" --ticks 2 --wait 1500

for f in main-nonlive main-live setting status traffic; do
  echo "wrote docs/images/$f.png"
done
