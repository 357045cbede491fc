#!/bin/sh
# Runs a test program with the real X11 platform on an X server of its own. Xvfb picks a free display
# itself (-displayfd), so suites running side by side, or other people's, never share one.
#   on-xvfb.sh <program> [arguments…]
set -eu
command -v Xvfb >/dev/null || { echo "on-xvfb: Xvfb is missing (scripts/setup installs it)"; exit 1; }

work=$(mktemp -d)
xvfb=""
cleanup() {
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
tries=0
until [ -s "$work/display" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 300 ] || ! kill -0 "$xvfb" 2>/dev/null; then
        echo "on-xvfb: Xvfb did not start"
        exit 1
    fi
    sleep 0.1
done

status=0
DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb "$@" || status=$?
exit "$status"
