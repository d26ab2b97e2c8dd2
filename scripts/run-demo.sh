#!/usr/bin/env bash
# Installs what is missing, builds, starts the demo station, runs the application against it and
# stops the station when the window closes. Without a display the window runs under Xvfb with a
# session bus of its own: play is pressed through the desktop's media controls (MPRIS), and the
# script fails unless the window showed, the demo stream played and a screenshot was saved.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
run_dir=$top/demo-run
mkdir -p "$run_dir"

"$top/scripts/setup.sh"
# A build for the demo station: it trusts the station's own certificate for the https stream.
generator=(-G Ninja)
[ -f "$build/CMakeCache.txt" ] && generator=()
cmake -S "$top" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZELVORNA_DEMO_STATION=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target Radio_Zelvorna zelvorna_engine zelvorna-visit

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT INT TERM

station_log=$run_dir/station.log
python3 "$top/scripts/demo_station.py" --workdir "$run_dir" >"$station_log" 2>&1 &
pids+=($!)
for _ in $(seq 1 120); do
    grep -q '^READY' "$station_log" && break
    if ! kill -0 "${pids[0]}" 2>/dev/null; then
        cat "$station_log" >&2
        exit 1
    fi
    sleep 0.5
done
grep -q '^READY' "$station_log" || { cat "$station_log" >&2; echo "demo station did not start" >&2; exit 1; }
echo "demo station: $(grep '^READY' "$station_log")"

# The engine's audio goes through SDL; with no sound server or card, a silent driver keeps
# playback working so the window behaves as it would with speakers.
if [ -z "${SDL_AUDIODRIVER:-}" ] && [ ! -d /dev/snd ] && [ -z "${PULSE_SERVER:-}" ] \
   && [ ! -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ]; then
    export SDL_AUDIODRIVER=dummy
fi
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
# The demo website's certificate is self-signed: let the hidden statistics page accept it.
export QTWEBENGINE_CHROMIUM_FLAGS=--ignore-certificate-errors


# Under Xvfb nobody can press play, so the desktop's media controls press it.
run_headless() {
    local display=:$(( 90 + RANDOM % 100 )) shot=$run_dir/screenshot.png bus
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$run_dir/xvfb.log" 2>&1 &
    pids+=($!)
    export DISPLAY=$display QT_QUICK_BACKEND=software
    export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$run_dir/xdg}
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
    export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
    pids+=("$(sed -n 2p <<<"$bus")")
    wait_for 10 "the X display" xdpyinfo
    "$app" &
    app_pid=$!
    pids+=($app_pid)
    wait_for 30 "the window" window_shown
    echo "demo: the window is shown"
    wait_for 10 "the window's media controls" has_media_controls
    playerctl -p radiozelvorna play
    wait_for 30 "the demo stream to play" is_playing
    sleep 3 # a moment of playing, so the screenshot shows the title
    is_playing || fail "the stream stopped: $(playerctl -p radiozelvorna status 2>&1)"
    echo "demo: playing \"$(playerctl -p radiozelvorna metadata xesam:title 2>/dev/null)\""
    ffmpeg -loglevel error -y -f x11grab -video_size 1280x1024 -i "$display" -frames:v 1 "$shot"
    [ -s "$shot" ] || fail "no screenshot"
    echo "No display: the window ran under Xvfb; screenshot saved to $shot"
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
}

fail() {
    echo "demo: $*" >&2
    exit 1
}

# wait_for SECONDS WHAT COMMAND...: until COMMAND succeeds, or fail naming WHAT.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    for _ in $(seq 1 $((seconds * 10))); do
        "$@" >/dev/null 2>&1 && return 0
        kill -0 "${app_pid:-$$}" 2>/dev/null || fail "the application ended while waiting for $what"
        sleep 0.1
    done
    fail "timed out after $seconds s waiting for $what"
}

window_shown() { xwininfo -root -tree | grep -q "Rádio Zelvorna - A Melhor"; }
has_media_controls() { playerctl -l | grep -qx radiozelvorna; }
is_playing() { [ "$(playerctl -p radiozelvorna status 2>/dev/null)" = Playing ]; }

app=$build/bin/Radio_Zelvorna
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$app"
else
    run_headless
fi
