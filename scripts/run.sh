#!/bin/sh
# Starts the program where a display is available; otherwise says how to start it.
set -eu
cd "$(dirname "$0")/.."
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/src/orvane "$@"
fi
cat >&2 <<'TEXT'
No display is available, so the window of Orvane Unicode cannot be shown here.
Start it in a desktop session with:   build/src/orvane
or on a virtual display with:         xvfb-run -a build/src/orvane
TEXT
exit 1
