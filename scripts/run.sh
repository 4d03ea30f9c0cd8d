#!/usr/bin/env bash
# Sets up, builds and runs the module on the demo host installation.
# Without a display it runs in a virtual one (Xvfb).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" "$build"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no display; starting the module in a virtual X display"
    exec xvfb-run -a "$build/bin/tavrelis-host" "$@"
fi
exec "$build/bin/tavrelis-host" "$@"
