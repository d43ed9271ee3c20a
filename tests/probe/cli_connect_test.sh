#!/bin/sh
# vistro-cli connect against the simulated target: the report of a good connection, and the
# session's warning with exit status 1 for an unknown device.
# Usage: cli_connect_test.sh VISTRO_CLI
set -u
cli="$1"
fail() { echo "FAIL: $*"; exit 1; }

out=$("$cli" connect --device VSIM32H743 2>/tmp/vistro-cli-connect.$$) || fail "connect exited $?"
err=$(cat /tmp/vistro-cli-connect.$$); rm -f /tmp/vistro-cli-connect.$$
want="library=51200
device=VSIM32H743
serial=801000123
hss.max_blocks=100
hss.max_hz=1000000"
[ "$out" = "$want" ] || fail "connect printed:
$out"
[ -z "$err" ] || fail "connect warned: $err"

err=$("$cli" connect --device NOPE 2>&1 >/dev/null); status=$?
[ "$status" -eq 1 ] || fail "unknown device exited $status"
[ "$err" = "warning: Failed to select target device 'NOPE'." ] || fail "unknown device said: $err"

"$cli" connect --speed fast >/dev/null 2>&1; status=$?
[ "$status" -eq 2 ] || fail "bad speed exited $status"
echo "ok"
