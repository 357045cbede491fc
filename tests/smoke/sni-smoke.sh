#!/usr/bin/env bash
# The application on a StatusNotifierItem desktop, clicked through as a person would: Xvfb as the X
# server, the test's watcher on the (private) session bus as the tray, the tray host's part played
# with gdbus (a left click is Activate, a click in the host's menu is the menu's Event), the panel
# clicked with xdotool. Run it under dbus-run-session.
#   sni-smoke.sh <vireon-feeder> <stand-in decoder> <station config.json> <sni-watcher>
set -euo pipefail
app=$1 decoder=$2 config=$3 watcher=$4

for tool in Xvfb xdotool xwininfo gdbus; do
    command -v "$tool" >/dev/null || { echo "sni-smoke: $tool is missing (scripts/setup installs it)"; exit 1; }
done
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || { echo "sni-smoke: no session bus (run under dbus-run-session)"; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

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

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
wait_for 300 test -s "$work/display" || { echo "sni-smoke: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

"$watcher" >"$work/items" &
pids+=($!)
wait_for 100 gdbus introspect --session --dest org.kde.StatusNotifierWatcher \
    --object-path /StatusNotifierWatcher || { echo "sni-smoke: the watcher did not start"; exit 1; }

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
has_decoder() { [ -n "$(decoder_pids)" ]; }
no_decoder() { [ -z "$(decoder_pids)" ]; }

wait_for 200 test -s "$work/items" || { echo "sni-smoke: the tray item did not register"; exit 1; }
read -r item path <"$work/items"
call() { gdbus call --session --dest "$item" "$@"; }
item_property() { call --object-path "$path" --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1"; }
title=$(item_property Title)
[ "$title" = "(<'Vireon Feeder'>,)" ] || { echo "sni-smoke: the item's title is $title"; exit 1; }
wait_for 200 has_decoder || { echo "sni-smoke: feeding did not resume at launch"; exit 1; }

# A top-level window of the application titled "Vireon Feeder", and on screen.
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
no_panel() { [ -z "$(panel_geometry)" ]; }

# A left click on the icon in a top-right tray: the pointer is there, and the host calls Activate.
xdotool mousemove 1270 6
call --object-path "$path" --method org.kde.StatusNotifierItem.Activate 1270 6 >/dev/null
wait_for 100 has_panel || { echo "sni-smoke: Activate did not open the panel"; exit 1; }
geometry=$(panel_geometry)
pw=${geometry%%x*}; rest=${geometry#*x}; ph=${rest%%+*}
px=$(echo "$geometry" | cut -d+ -f2); py=$(echo "$geometry" | cut -d+ -f3)
if [ $((px + pw)) -ne 1280 ] || [ "$py" -gt 16 ]; then
    echo "sni-smoke: the panel opened at $geometry, not under the click at 1270,6"; exit 1
fi
call --object-path "$path" --method org.kde.StatusNotifierItem.Activate 1270 6 >/dev/null
wait_for 100 no_panel || { echo "sni-smoke: a second click did not close the panel"; exit 1; }

# A right click: the host reads the menu and draws it; the person picks "Stop Feeding".
layout=$(call --object-path /MenuBar --method com.canonical.dbusmenu.GetLayout 0 1 '[]')
stop=$(grep -o "([0-9]*, {[^}]*'label': <'Stop Feeding'>" <<<"$layout" | grep -o '^([0-9]*' | tr -d '(' || true)
[ -n "$stop" ] || { echo "sni-smoke: no Stop Feeding in the menu: $layout"; exit 1; }
call --object-path /MenuBar --method com.canonical.dbusmenu.Event "$stop" clicked '<0>' 0 >/dev/null
wait_for 100 no_decoder || { echo "sni-smoke: Stop Feeding in the menu did not stop the decoder"; exit 1; }
wait_for 50 bash -c "gdbus call --session --dest '$item' --object-path '$path' \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem ToolTip | grep -q 'Not feeding'" ||
    { echo "sni-smoke: the tooltip did not say Not feeding"; exit 1; }

# Open the panel again and click its last row, "Quit Vireon Feeder", just above the 12-pixel margin.
xdotool mousemove 1270 6
call --object-path "$path" --method org.kde.StatusNotifierItem.Activate 1270 6 >/dev/null
wait_for 100 has_panel || { echo "sni-smoke: Activate did not open the panel again"; exit 1; }
geometry=$(panel_geometry)
pw=${geometry%%x*}; rest=${geometry#*x}; ph=${rest%%+*}
px=$(echo "$geometry" | cut -d+ -f2); py=$(echo "$geometry" | cut -d+ -f3)
xdotool mousemove $((px + pw / 3)) $((py + ph - 12 - 10)) click 1
status=0
wait_for 200 bash -c "! kill -0 $app_pid" || { echo "sni-smoke: Quit did not end the application"; exit 1; }
wait "$app_pid" || status=$?
[ "$status" -eq 0 ] || { echo "sni-smoke: the application exited with status $status"; exit 1; }
wait_for 50 bash -c "! gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.GetNameOwner '$item'" || { echo "sni-smoke: the item outlived the application"; exit 1; }
echo "sni-smoke: item registered as Vireon Feeder, panel opened under the click and closed by the next," \
    "Stop Feeding from the menu stopped the decoder, Quit from the panel ended with status 0"
