# Sourced by check-install.sh and check-deb.sh: an installed tree's panel must
# come up live on the installed stand-ins and keep running until stopped, and
# a program in its bin folder must open the installed help.
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
