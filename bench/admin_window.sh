#!/usr/bin/env bash
# The administration window as a whole process, against a bare Qt widgets program in
# the same run, on Qt's offscreen platform with one soft token present:
#  - start: mean wall time and CPU time from exec to the window painted (hyperfine,
#    three rounds of both, so that a slower spell of the machine falls on both
#    alike), and the instructions both execute (callgrind), which a busy machine
#    does not blur;
#  - idle: CPU time over 60 seconds with the window open and nothing happening
#    (utime + stime from /proc), as a share of one core.
# IDLE_SECONDS shortens the idle watch for a quick look.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bin
fake=build/test-fakes/fake_pinentry
for f in "$bin/orxxadm" "$bin/orx.so" "$bin/orxxctl" "$bin/probe_admin_window" \
  "$bin/probe_bare_window" "$fake" /usr/bin/hyperfine /usr/bin/valgrind; do
  [ -e "$f" ] || { echo "missing $f (build the release preset first)" >&2; exit 1; }
done
idle_seconds=${IDLE_SECONDS:-60}

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/run configorx=$work/user.cfg
export ORX_INSTALL_LOCATION=$work/install/ ORX_TOKEN_KDF_LOG2N=2
export ORX_PINENTRY=$PWD/$fake FAKE_PINENTRY_SCRIPT=$work/pin.script
export QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$ORX_INSTALL_LOCATION"
mkdir -m 0700 -p "$XDG_RUNTIME_DIR"
printf 'pin bench-token\npin bench-token\n' >"$FAKE_PINENTRY_SCRIPT"
"$bin/orxxctl" token create Bench >/dev/null

instructions() {
  valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$@" 2>&1 |
    awk '/Collected/ {print $NF}'
}
# The start twice: with the PKCS#11 modules that p11-kit lists on this machine
# (each is loaded and initialised, as for a user with cards), and without them
# ("PKCS11"/"System" 0), which leaves the window and the module alone.
for modules in machine none; do
  if [ "$modules" = none ]; then
    printf '[PKCS11]\nSystem=0\n' >"$ORX_INSTALL_LOCATION/orx.cfg"
  else
    rm -f "$ORX_INSTALL_LOCATION/orx.cfg"
  fi
  echo "-- PKCS#11 modules of p11-kit: $modules"
  # Three rounds of both.
  for round in 1 2 3; do
    hyperfine -N -w 3 -r 20 --export-json "$work/start-$round.json" \
      "$bin/probe_admin_window" "$bin/probe_bare_window" >/dev/null 2>&1
  done
  python3 - "$work"/start-{1,2,3}.json <<'PY'
import json, sys
rounds = [json.load(open(f))["results"] for f in sys.argv[1:]]
def mean(i, key):
    return sum(r[i][key] for r in rounds) / len(rounds)
admin, bare = mean(0, "mean"), mean(1, "mean")
admin_cpu = mean(0, "user") + mean(0, "system")
bare_cpu = mean(1, "user") + mean(1, "system")
print(f"start to window painted, wall: orxxadm {admin * 1000:.1f} ms, bare Qt window"
      f" {bare * 1000:.1f} ms, ratio {admin / bare:.2f} (target at most 1.5)")
print(f"start to window painted, CPU: orxxadm {admin_cpu * 1000:.1f} ms, bare Qt window"
      f" {bare_cpu * 1000:.1f} ms, ratio {admin_cpu / bare_cpu:.2f}")
PY
  # Both warm in the page cache first.
  "$bin/probe_admin_window" >/dev/null 2>&1
  "$bin/probe_bare_window" >/dev/null 2>&1
  admin_i=$(instructions "$bin/probe_admin_window")
  bare_i=$(instructions "$bin/probe_bare_window")
  awk -v a="$admin_i" -v b="$bare_i" 'BEGIN {
    printf "start to window painted, instructions: orxxadm %.1f M, bare Qt window %.1f M, ratio %.2f\n",
           a / 1e6, b / 1e6, a / b }'
done
rm -f "$ORX_INSTALL_LOCATION/orx.cfg"

# Idle: the program's own window and the bare one, side by side.
ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
"$bin/orxxadm" >/dev/null 2>&1 &
pids+=($!)
admin_pid=$!
"$bin/probe_bare_window" --idle >/dev/null 2>&1 &
pids+=($!)
bare_pid=$!
sleep 5  # the start and the first polls are not idle
a0=$(cpu_ticks "$admin_pid")
b0=$(cpu_ticks "$bare_pid")
sleep "$idle_seconds"
a1=$(cpu_ticks "$admin_pid")
b1=$(cpu_ticks "$bare_pid")
awk -v a=$((a1 - a0)) -v b=$((b1 - b0)) -v t="$ticks" -v s="$idle_seconds" 'BEGIN {
  printf "idle over %d s: orxxadm %.0f ms CPU (%.3f %% of a core), bare Qt window %.0f ms (%.3f %%)" \
         " (target below 0.1 %%)\n", s, a * 1000 / t, a * 100 / t / s, b * 1000 / t, b * 100 / t / s }'
