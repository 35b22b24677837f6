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
# The first tick sends what was typed; the panel's own ticks show it come back,
# as the line carries it (about 7 ms at 9,600 bit/s).
live "$out/main-live.png" main --start --type "Hi 4410" --ticks 1 --wait 900
live "$out/setting.png" setting
live "$out/status.png" status --press "Read Error Queue"
# The Traffic window on a bench with a cable between channels 1 and 2: a pair
# 1 <-> 2 (counting) and channel 3's text line running beside a loop test that
# sent "Hi 4410"; in the second picture channel 4's pattern has also met a
# driver error (its writes time out from the twelfth).
pair=$root/sim/benches/traffic-pair.json
SFP_SIM_BENCH=$pair live "$out/traffic.png" traffic --pair 1 --pattern 1 --pattern-text 3 --pattern 3 \
  --start --type "Hi 4410" --ticks 2 --wait 1500
SFP_SIM_BENCH=$pair live "$out/traffic-error.png" traffic --pair 1 --pattern 1 --pattern-text 3 --pattern 3 \
  --pattern 4 --start --wait 2500

for f in main-nonlive main-live setting status traffic traffic-error; do
  echo "wrote docs/images/$f.png"
done
