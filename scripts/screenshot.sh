#!/usr/bin/env bash
# Takes a PNG screenshot of a program running on a private virtual X display (Xvfb).
#
#   scripts/screenshot.sh [options] OUT.png SECONDS -- PROGRAM [ARGS...]
#
# Starts PROGRAM with ARGS on a fresh Xvfb display, waits until its first window is mapped
# (at most --timeout seconds), then SECONDS more so it can settle and paint, runs the
# --run commands, captures, and ends the program (SIGTERM, SIGKILL after 5 s) and the
# display. The program's output goes to OUT.png.log.
#
# Options:
#   --screen        capture the whole screen instead of the program's largest window
#   --size WxH      screen size (default 1280x800)
#   --timeout S     longest wait for the first window (default 30)
#   --run CMD       shell command run with DISPLAY set just before the capture, e.g.
#                   --run 'xdotool key F5' (repeatable; 1 s pause after each)
#
# Example:
#   scripts/screenshot.sh docs/demo.png 3 -- build/bin/vistro -openprjfirmware/demo/demo.vistro
#
# Needs the Debian packages xvfb, x11-apps (xwd), x11-utils (xwininfo) and netpbm
# (xwdtopnm, pnmtopng); scripts/setup.sh installs them.
set -euo pipefail

usage() { sed -n '2,22p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

capture_screen=0
size=1280x800
timeout=30
run_cmds=()
while [ $# -gt 0 ]; do
  case "$1" in
    --screen) capture_screen=1; shift ;;
    --size) size=${2:?}; shift 2 ;;
    --timeout) timeout=${2:?}; shift 2 ;;
    --run) run_cmds+=("${2:?}"); shift 2 ;;
    -h|--help) usage ;;
    --) usage ;;
    -*) echo "screenshot: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done
[ $# -ge 4 ] && [ "$3" = "--" ] || usage
out=$1
settle=$2
shift 3
[[ "$size" =~ ^[0-9]+x[0-9]+$ ]] || { echo "screenshot: --size wants WxH, got $size" >&2; exit 2; }

for tool in Xvfb xwd xwininfo xwdtopnm pnmtopng; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool missing; run scripts/setup.sh" >&2; exit 1; }
done

tmp=$(mktemp -d)
xvfb_pid=""
prog_pid=""
stop() {
  local pid=$1
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
cleanup() {
  stop "$prog_pid"
  stop "$xvfb_pid"
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -displayfd lets the server pick a free display number and tell us which.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$tmp/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$tmp/xvfb.log" >&2; echo "screenshot: Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$tmp/display" ] || { echo "screenshot: Xvfb gave no display number" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"

mkdir -p "$(dirname "$out")"
log="$out.log"
QT_QPA_PLATFORM=xcb "$@" >"$log" 2>&1 &
prog_pid=$!

# Mapped top-level windows as "id width height", largest first.
windows() {
  xwininfo -root -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p' | while read -r id; do
    info=$(xwininfo -id "$id" 2>/dev/null) || continue
    grep -q 'Map State: IsViewable' <<<"$info" || continue
    w=$(sed -n 's/^ *Width: //p' <<<"$info")
    h=$(sed -n 's/^ *Height: //p' <<<"$info")
    [ "$w" -gt 1 ] && [ "$h" -gt 1 ] && echo "$id $w $h"
  done | sort -k2,2nr -k3,3nr
}

window=""
deadline=$(( $(date +%s) + timeout ))
while [ -z "$window" ]; do
  if ! kill -0 "$prog_pid" 2>/dev/null; then
    echo "screenshot: $1 ended before showing a window; its output:" >&2
    cat "$log" >&2
    exit 1
  fi
  if [ "$(date +%s)" -ge "$deadline" ]; then
    echo "screenshot: no window after $timeout s; capturing the screen" >&2
    capture_screen=1
    break
  fi
  window=$(windows | head -n1 | cut -d' ' -f1)
  [ -n "$window" ] || sleep 0.2
done

sleep "$settle"
for cmd in "${run_cmds[@]}"; do
  bash -c "$cmd"
  sleep 1
done
if ! kill -0 "$prog_pid" 2>/dev/null; then
  echo "screenshot: $1 ended before the capture; its output:" >&2
  cat "$log" >&2
  exit 1
fi
# The largest window may have changed (a dialog, a resize) while settling.
[ "$capture_screen" -eq 1 ] || window=$(windows | head -n1 | cut -d' ' -f1)
if [ "$capture_screen" -eq 1 ] || [ -z "$window" ]; then
  xwd -root -silent >"$tmp/shot.xwd"
else
  xwd -id "$window" -silent >"$tmp/shot.xwd"
fi
xwdtopnm "$tmp/shot.xwd" 2>/dev/null | pnmtopng >"$tmp/shot.png" 2>/dev/null
mv "$tmp/shot.png" "$out"
echo "screenshot: wrote $out"
