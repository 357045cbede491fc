#!/usr/bin/env bash
# The application on a real X desktop: Xvfb with trayer as the system tray, clicked with xdotool.
# The tray icon must appear, a click on it must open the panel, and "Quit Vireon Feeder" must end the
# process with status 0 and no decoder left behind.
#   tray-smoke.sh <vireon-feeder> <stand-in decoder> <station config.json>
set -euo pipefail
app=$1 decoder=$2 config=$3

for tool in Xvfb trayer xdotool xwininfo; do
    command -v "$tool" >/dev/null || { echo "tray-smoke: $tool is missing (scripts/setup installs it)"; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# A copy of the program whose bin/readsb is the stand-in, so no real decoder can start.
mkdir -p "$work/bin" "$work/xdg/VireonFeeder" "$work/run"
chmod 700 "$work/run"
cp "$app" "$work/vireon-feeder"
cp "$decoder" "$work/bin/readsb"
cp "$config" "$work/xdg/VireonFeeder/config.json"
printf '[General]\nhasCompletedOnboarding=true\nfeedingDesired=true\n' >"$work/xdg/VireonFeeder.conf"


wait_for() { # <tries of 100 ms> <command…>
    local tries=$1; shift
    for _ in $(seq "$tries"); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    return 1
}

# Xvfb picks a free display itself, so suites running side by side never race for one.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
wait_for 300 test -s "$work/display" || { echo "tray-smoke: Xvfb did not start"; exit 1; }
display=":$(head -n1 "$work/display")"
export DISPLAY=$display
wait_for 300 xdotool getdisplaygeometry || { echo "tray-smoke: Xvfb did not answer on $display"; exit 1; }
trayer --edge top --align right --widthtype request --height 32 >"$work/trayer.log" 2>&1 &
pids+=($!)
wait_for 300 xdotool search --classname '^panel$' || {
    echo "tray-smoke: trayer did not start on $display; it said:"
    cat "$work/trayer.log"
    exit 1
}

env -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/xdg" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb \
    "$work/vireon-feeder" &
app_pid=$!
pids+=("$app_pid")

decoder_pids() {
    for exe in /proc/[0-9]*/exe; do
        if [ "$(readlink "$exe" 2>/dev/null)" = "$work/bin/readsb" ]; then
            local pid=${exe#/proc/}; pid=${pid%/exe}
            grep -q '^State:.*Z' "/proc/$pid/status" 2>/dev/null || echo "$pid"
        fi
    done
}

# The icon is the application's window embedded in trayer's panel.
icon_geometry() {
    xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ {inpanel=1} inpanel && /"Vireon Feeder": \("vireon-feeder"/ {print $(NF-1), $NF; exit}'
}
has_icon() { [ -n "$(icon_geometry)" ]; }
has_decoder() { [ -n "$(decoder_pids)" ]; }
wait_for 200 has_icon || { echo "tray-smoke: the tray icon did not appear"; exit 1; }
wait_for 200 has_decoder || { echo "tray-smoke: feeding did not resume at launch"; exit 1; }

read -r size offset < <(icon_geometry)
width=${size%%x*}; rest=${size#*x}; height=${rest%%+*}
x=$(echo "$offset" | cut -d+ -f2); y=$(echo "$offset" | cut -d+ -f3)
xdotool mousemove $((x + width / 2)) $((y + height / 2)) click 1

# A top-level window of the application titled "Vireon Feeder", and on screen (created is not enough).
panel_geometry() {
    local id
    for id in $(xwininfo -root -tree | awk '/^     0x[0-9a-f]+ "Vireon Feeder": \("vireon-feeder"/ {print $1}'); do
        if xwininfo -id "$id" | grep -q 'Map State: IsViewable'; then
            xwininfo -root -tree | awk -v id="$id" '$1 == id {print $(NF-1); exit}'
            return
        fi
    done
}
has_panel() { [ -n "$(panel_geometry)" ]; }
wait_for 100 has_panel || { echo "tray-smoke: a click on the icon did not open the panel"; exit 1; }
geometry=$(panel_geometry)
pw=${geometry%%x*}; rest=${geometry#*x}; ph=${rest%%+*}
px=$(echo "$geometry" | cut -d+ -f2); py=$(echo "$geometry" | cut -d+ -f3)

# "Quit Vireon Feeder" is the panel's last row, just above its 12-pixel margin.
xdotool mousemove $((px + pw / 3)) $((py + ph - 12 - 10)) click 1
status=0
wait_for 200 bash -c "! kill -0 $app_pid" || { echo "tray-smoke: Quit did not end the application"; exit 1; }
wait "$app_pid" || status=$?
[ "$status" -eq 0 ] || { echo "tray-smoke: the application exited with status $status"; exit 1; }
left=$(decoder_pids)
[ -z "$left" ] || { echo "tray-smoke: decoder still running after quit: $left"; exit 1; }
echo "tray-smoke: icon shown, panel opened, quit with status 0 and no decoder left"
