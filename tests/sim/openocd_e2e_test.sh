#!/bin/bash
# End to end through stock OpenOCD: the simulated board served as a JTAG target
# (vistro-simtarget --remote-bitbang, demo firmware), OpenOCD with the committed configuration,
# then vistro-cli --openocd samples live counters and writes a command the firmware
# acknowledges. Skipped (exit 77) when openocd is not installed.
# Usage: openocd_e2e_test.sh VISTRO_SIMTARGET VISTRO_CLI SOURCE_DIR
set -u
simtarget="$1"; cli="$2"; src="$3"
elf="$src/firmware/demo/demo.elf"
command -v openocd >/dev/null 2>&1 || { echo "openocd not installed: skipped"; exit 77; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for f in "$work"/*.log; do echo "--- $f"; tail -20 "$f"; done; exit 1; }

# Waits up to $3 tenths of a second for $2 to appear in file $1.
wait_for() {
  for _ in $(seq "$3"); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

"$simtarget" --remote-bitbang 127.0.0.1:0 --elf "$elf" >"$work/sim.log" 2>&1 &
pids+=($!)
wait_for "$work/sim.log" "remote bitbang on" 100 || fail "vistro-simtarget did not start"
bitbang_port=$(sed -n 's/.*remote bitbang on .*:\([0-9]*\)$/\1/p' "$work/sim.log")

# OpenOCD takes a fixed Tcl port: try a few until one is free.
tcl_port=""
for attempt in 1 2 3 4 5; do
  port=$((20000 + (RANDOM % 30000)))
  openocd -c "set VISTRO_BITBANG_PORT $bitbang_port" -f "$src/sim/openocd/vistro-sim.cfg" \
    -c "gdb_port disabled" -c "telnet_port disabled" -c "tcl_port $port" >"$work/openocd.log" 2>&1 &
  pid=$!
  for _ in $(seq 150); do
    grep -q "for tcl connections" "$work/openocd.log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if grep -q "for tcl connections" "$work/openocd.log" && kill -0 "$pid" 2>/dev/null; then
    pids+=("$pid"); tcl_port=$port; break
  fi
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
done
[ -n "$tcl_port" ] || fail "openocd did not start"
wait_for "$work/openocd.log" "Cortex-M7 r1p0 processor detected" 100 || fail "openocd did not detect the core"
ocd="127.0.0.1:$tcl_port"

# The device is the target OpenOCD drives; the rate is the one measured.
out=$(timeout 30 "$cli" connect --openocd "$ocd" 2>"$work/connect.log") || fail "connect exited $?"
echo "$out" | grep -qx "device=vistro.cpu" || fail "connect printed: $out"
echo "$out" | grep -qE "^hss.max_hz=[1-9][0-9]*$" || fail "connect printed: $out"

# Live counters: the millisecond tick moves between the first and the last record.
timeout 30 "$cli" sample "$elf" --symbol g_tick_ms --symbol g_counter_u16 --period-us 2000 --duration-ms 600 \
  --openocd "$ocd" >"$work/sample.csv" 2>"$work/sample.log" || fail "sample exited $?"
rows=$(($(wc -l <"$work/sample.csv") - 1))
[ "$rows" -ge 20 ] || fail "only $rows rows sampled"
first=$(sed -n '2p' "$work/sample.csv" | cut -d, -f2)
last=$(tail -1 "$work/sample.csv" | cut -d, -f2)
[ "$last" -gt "$((first + 300))" ] || fail "tick went from $first to $last in 600 ms"

# A command written through OpenOCD is executed and acknowledged by the firmware.
out=$(timeout 30 "$cli" write "$elf" --symbol g_command --op set --value 3 --openocd "$ocd" 2>"$work/write.log") \
  || fail "write exited $?"
[ "$out" = "written=3" ] || fail "write printed: $out"
ack=""
for _ in 1 2 3 4 5; do
  ack=$(timeout 30 "$cli" sample "$elf" --symbol g_ack --duration-ms 50 --openocd "$ocd" 2>/dev/null | tail -1 | cut -d, -f2)
  [ "$ack" = "3" ] && break
done
[ "$ack" = "3" ] || fail "firmware acknowledged '$ack' instead of 3"
echo "ok: $rows rows, tick $first -> $last, command acknowledged"
