#!/usr/bin/env bash
# Runs a command on an X server (Xvfb) of its own, 1280 x 1024 x 24; exits 77 (skipped) without Xvfb.
#   bash tests/run-on-own-x-server.sh <program> [arguments...]
# Xvfb chooses a free display itself and holds it before it says which (-displayfd), so programs
# started side by side never share a server. (xvfb-run -a looks for a free number before it starts
# the server: two runs starting at once can take the same one, and the later program then talks to
# the other run's server and loses it, mid-test, when that run ends.)
set -u
command -v Xvfb >/dev/null || exit 77
dir=$(mktemp -d) || exit 1
mkfifo "$dir/display" || exit 1
exec 4<>"$dir/display"
Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
server=$!
stop_server() {
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  rm -rf "$dir"
}
trap 'stop_server; exit 143' TERM INT
if ! read -r -t 60 number <&4; then
  echo "Xvfb did not start:" >&2
  cat "$dir/xvfb.log" >&2
  stop_server
  exit 1
fi
exec 4>&-
export DISPLAY=":$number"
# No sound server and no camera here: keep GStreamer's device providers for them from starting.
export GST_PLUGIN_FEATURE_RANK="${GST_PLUGIN_FEATURE_RANK:-pulsedeviceprovider:NONE,v4l2deviceprovider:NONE}"
"$@" &
child=$!
trap 'kill "$child" 2>/dev/null; wait "$child"; stop_server; exit 143' TERM INT
wait "$child"
status=$?
stop_server
exit "$status"
