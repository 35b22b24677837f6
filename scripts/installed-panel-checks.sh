# Sourced by check-install.sh and check-deb.sh: an installed tree's panel must
# come up live on the installed stand-ins and keep running until stopped, a
# program in its bin folder must open the installed help, and the port
# launcher must check ports and start the panel.
# check_installed_panel <prefix> <build-dir> <scratch-dir>; needs `fail`.
check_installed_panel() {
  local prefix=$1 build=$2 scratch=$3 status=0 out
  SFP_SIM_TRACE=$scratch/trace.txt LD_LIBRARY_PATH=$prefix/lib/tsx4410-sfp/sim \
    timeout 3 "$prefix/bin/tsx4410sfp" >"$scratch/panel.out" 2>&1 || status=$?
  [ "$status" -eq 124 ] || fail "installed panel ended by itself (status $status): $(cat "$scratch/panel.out")"
  grep -q '^tsx4410_init .* -> 0$' "$scratch/trace.txt" \
    || fail "installed panel did not start the driver on the stand-ins"

  cp "$build/sfp_snapshot" "$prefix/bin/"
  out=$("$prefix/bin/sfp_snapshot" "$scratch/help.png" help 2>"$scratch/help.err") \
    || fail "help did not open: $(cat "$scratch/help.err")"
  grep -qx "help document: $prefix/share/tsx4410-sfp/tsx4410.html" <<<"$out" \
    || fail "help opened from the wrong place: $out"
  grep -qx "help window: TSX4410 Soft Front Panel Help" <<<"$out" || fail "help window title: $out"
}

# The installed port launcher: lists the serial devices, refuses a device that
# is not there in one line with status 2, names the installed panel and
# stand-ins, and really starts the panel live on them.
# check_installed_launcher <prefix> <scratch-dir>; needs `fail`.
check_installed_launcher() {
  local prefix=$1 scratch=$2 status=0 sim=$1/bin/tsx4410sfp-sim real
  real=$(realpath "$prefix")
  "$sim" --list >"$scratch/list.out" 2>&1 || fail "tsx4410sfp-sim --list failed: $(cat "$scratch/list.out")"
  grep -Eq '^(DEVICE |No serial devices found)' "$scratch/list.out" \
    || fail "tsx4410sfp-sim --list printed: $(cat "$scratch/list.out")"
  "$sim" 1=/nonexistent/ttyUSB7 >/dev/null 2>"$scratch/refused.err" || status=$?
  [ "$status" -eq 2 ] && [ "$(wc -l <"$scratch/refused.err")" -eq 1 ] \
    && grep -q '^tsx4410sfp-sim: /nonexistent/ttyUSB7: no such device' "$scratch/refused.err" \
    || fail "a missing port gave status $status and: $(cat "$scratch/refused.err")"
  "$sim" --dry-run >"$scratch/plan.out" 2>&1 || fail "tsx4410sfp-sim --dry-run: $(cat "$scratch/plan.out")"
  grep -qx "arg $real/bin/tsx4410sfp" "$scratch/plan.out" \
    && grep -q "^env LD_LIBRARY_PATH=$real/lib/tsx4410-sfp/sim" "$scratch/plan.out" \
    || fail "tsx4410sfp-sim would not start the installed panel on the installed stand-ins: $(cat "$scratch/plan.out")"
  status=0
  timeout 3 "$sim" --trace "$scratch/sim-trace.txt" >"$scratch/sim.out" 2>&1 || status=$?
  [ "$status" -eq 124 ] || fail "panel started by tsx4410sfp-sim ended by itself (status $status): $(cat "$scratch/sim.out")"
  grep -q '^tsx4410_init .* -> 0$' "$scratch/sim-trace.txt" \
    || fail "tsx4410sfp-sim did not start the panel live on the stand-ins"
}
