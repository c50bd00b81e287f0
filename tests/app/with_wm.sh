#!/usr/bin/env bash
# Runs a command on a private X screen of 1366x768 (a laptop's) managed by a
# real window manager, so that title bars, borders, maximising and the
# window manager's own size rules are those a user gets.
#   with_wm.sh COMMAND [ARGS...]
set -euo pipefail

work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-wm.XXXXXX")
xvfb_pid=
wm_pid=
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The X server picks a free display itself and writes its number back.
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
if [ ! -s "$work/display" ]; then cat "$work/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; fi
export DISPLAY=":$(head -n1 "$work/display")"

# Wait until the server answers: on a busy machine the number can come back
# a moment before a client's connection is taken.
for _ in $(seq 100); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done

# The window manager gets a home of its own: nothing of the user's is read
# or written. It is started again if it gave up on the display.
mkdir -p "$work/home"
start_wm() {
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" openbox --sm-disable >>"$work/wm.log" 2>&1 &
  wm_pid=$!
}
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
start_wm
# Ready once it has announced itself on the root window.
for _ in $(seq 150); do
  wm_ready && break
  kill -0 "$wm_pid" 2>/dev/null || start_wm
  sleep 0.1
done
if ! wm_ready; then
  cat "$work/wm.log" >&2; echo "the window manager did not start" >&2; exit 1
fi

export QT_QPA_PLATFORM=xcb
"$@"
