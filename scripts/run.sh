#!/bin/sh
# Starts the program where a display is available; otherwise shows what it does on the command line.
set -eu
cd "$(dirname "$0")/.."
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/src/orvane "$@"
fi
cat >&2 <<'TEXT'
No display is available, so the window of Orvane Unicode cannot be shown here; a demonstration
of the command-line front end (build/src/orvane-cli) follows instead.
TEXT
exec sh scripts/demo.sh
