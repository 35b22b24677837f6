#!/usr/bin/env bash
# Start-up time of the panel, as whole processes on Qt's offscreen platform:
# bench/startup_probe starts the program as main() does, answers start-up
# messages at once, and exits at the Main Panel's first paint. Three cases:
#   non-live   no instrument libraries on the search path
#   sim-1      the stand-ins with one matching module
#   sim-200    the stand-ins with 200 resources, one of them matching
# Prints median, min and max over the runs, the cost of discovery over 200
# resources (median sim-200 - median sim-1), and fails when a target is missed
# (non-live median under 300 ms, discovery over 200 resources at most 50 ms more).
#   bash bench/startup.sh [runs] [build-dir]      (defaults: 20, build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-20}
build=${2:-$root/build}
jobs=${JOBS:-2}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" >/dev/null
fi
cmake --build "$build" -j"$jobs" --target startup_probe visa_stub tsx4410_stub >/dev/null
build=$(cd "$build" && pwd)
probe=$build/bench/startup_probe

export QT_QPA_PLATFORM=offscreen
unset SFP_LIBRARY_PATH SFP_SIM_BENCH SFP_SIM_TRACE SFP_STARTUP_SPLITS
work=$(mktemp -d "${TMPDIR:-/tmp}/tsx4410-startup.XXXXXX")
trap 'rm -rf "$work"' EXIT

# 200 resources: 120 VXI modules of another maker, 79 GPIB instruments that
# answer another identity, and the one TSX4410 last, so that discovery judges
# every one of them and then connects without asking.
bench200=$work/bench-200.json
{
  echo '{ "resources": ['
  n=0
  for la in $(seq 100 219); do
    echo "  { \"descriptor\": \"VXI0::$la::INSTR\", \"manufacturer_id\": 4095, \"model_code\": 1, \"slot\": $((la % 13)), \"logical_address\": $la },"
    n=$((n + 1))
  done
  for board in 0 1 2; do
    for addr in $(seq 1 30); do
      [ $n -lt 199 ] || break 2
      echo "  { \"descriptor\": \"GPIB$board::$addr::INSTR\", \"identity\": \"OTHER MAKER,DMM$addr,0,1.0\" },"
      n=$((n + 1))
    done
  done
  echo '  { "descriptor": "VXI0::24::INSTR", "manufacturer_id": 3021, "model_code": 417, "slot": 5, "logical_address": 24 }'
  echo '] }'
} >"$bench200"

nonlive() { env -u LD_LIBRARY_PATH "$probe"; }
sim() { env SFP_SIM_BENCH="$1" LD_LIBRARY_PATH="$build/sim" "$probe"; }

# Each case must really be what it claims before it is timed.
check_case() {
  local name=$1 bench=$2 expect=$3 trace=$work/trace-$1.txt
  SFP_SIM_TRACE=$trace sim "$bench" >/dev/null 2>&1
  grep -q "$expect" "$trace" || { echo "startup: case $name is not what it claims ($expect)" >&2; exit 1; }
  grep -q '^tsx4410_init .* -> 0$' "$trace" || { echo "startup: case $name did not come up live" >&2; exit 1; }
}
check_case sim-1 "$root/sim/benches/vxi.json" 'viFindRsrc .*count=1 '
check_case sim-200 "$bench200" 'viFindRsrc .*count=200 '

declare -A median
measure() {
  local name=$1; shift
  "$@" >/dev/null 2>&1 || { echo "startup: $name failed" >&2; exit 1; }   # warm the file cache
  local times=()
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000 )))
  done
  local sorted
  sorted=$(printf '%s\n' "${times[@]}" | sort -n)
  local stats
  stats=$(awk '{ v[NR] = $1 } END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%.0f %.1f %.1f %.1f", m, m / 1000, v[1] / 1000, v[NR] / 1000 }' <<<"$sorted")
  read -r us med min max <<<"$stats"
  median[$name]=$us
  printf '%-9s median %7.1f ms   min %7.1f ms   max %7.1f ms   (%d runs)\n' "$name" "$med" "$min" "$max" "$runs"
}

echo "start-up to the Main Panel's first paint, whole process, offscreen"
measure non-live nonlive
measure sim-1 sim "$root/sim/benches/vxi.json"
measure sim-200 sim "$bench200"

discovery=$(( median[sim-200] - median[sim-1] ))
printf 'discovery over 200 resources adds %.1f ms (median sim-200 - median sim-1)\n' "$(awk "BEGIN { print $discovery / 1000 }")"

missed=0
if [ "${median[non-live]}" -ge 300000 ]; then
  echo "target missed: non-live median is not under 300 ms"; missed=1
fi
if [ "$discovery" -gt 50000 ]; then
  echo "target missed: discovery over 200 resources adds more than 50 ms"; missed=1
fi
[ $missed -eq 0 ] && echo "targets met: non-live median under 300 ms, discovery over 200 resources within 50 ms"
exit $missed
