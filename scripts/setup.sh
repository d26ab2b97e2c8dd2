#!/usr/bin/env bash
# Installs every Debian 12 package that the build, the tests, the demo station and the package
# need, on a bare Debian 12 (minbase) as much as on a desktop; CI proves it in a fresh root.
# Idempotent: packages already present are not fetched again. With --bench it also installs
# the peers and the sound server that the benchmarks use; with --fuzz, clang for the fuzzers.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git file dpkg-dev clang-format
    qt6-base-dev qt6-declarative-dev qt6-declarative-dev-tools qt6-svg-dev qt6-webengine-dev
    qt6-qpa-plugins qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
    qml6-module-qtquick-window qml6-module-qtquick-templates qml6-module-qtqml
    qml6-module-qtqml-workerscript qml6-module-qttest
    libsdl2-dev libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
    libcurl4-openssl-dev libssl-dev rapidjson-dev
    icecast2 ffmpeg openssl python3 xvfb xauth x11-utils fonts-dejavu-core mpv qml-qt6
    pulseaudio pulseaudio-utils dbus-daemon dbus-bin at-spi2-core python3-pyatspi python3-xlib procps playerctl
    lintian appstream debootstrap
)

# The benchmarks compare the window with other players through a sound server of their own.
bench_packages=(goodvibes gstreamer1.0-plugins-good)
# Fuzzing builds the parsers with clang and its libFuzzer runtime.
fuzz_packages=(clang libclang-rt-14-dev)
case "${1:-}" in
--bench) packages+=("${bench_packages[@]}") ;;
--fuzz) packages+=("${fuzz_packages[@]}") ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
    exit 0
fi
echo "setup: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
