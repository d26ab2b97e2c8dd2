#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 root of its own (debootstrap) with
# "apt-get install ./radio-zelvorna_*.deb", and starts the installed program there once under
# Xvfb: it must show its window and keep running until it is closed. Uses the mirror this
# machine's apt uses. Usage: scripts/package_install_test.sh [PACKAGE.deb]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
deb=${1:-$(ls "$top"/build-deb/radio-zelvorna_*.deb 2>/dev/null | head -n 1)}
[ -f "$deb" ] || { echo "no package: run scripts/package.sh first" >&2; exit 2; }
. "$top/scripts/debian_root.sh"
root=$(mktemp -d "${TMPDIR:-/tmp}/zelvorna-debian-root.XXXXXX")
trap 'debian_root_remove "$root"' EXIT

echo "package test: a fresh Debian 12 root in $root"
debian_root_create "$root"
cp "$deb" "$root/tmp/"
in_root() { debian_root_run "$root" "$@"; }
in_root apt-get update -qq
in_root apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" xvfb xauth \
    x11-utils >/dev/null
echo "package test: installed; starting Radio_Zelvorna under Xvfb"
in_root sh -c '
    export QTWEBENGINE_DISABLE_SANDBOX=1 SDL_AUDIODRIVER=dummy HOME=/root
    xvfb-run -a -s "-screen 0 1280x1024x24" sh -c "
        Radio_Zelvorna & app=\$!
        for i in \$(seq 1 100); do
            xwininfo -root -tree | grep -q \"Rádio Zelvorna - A Melhor\" && break
            sleep 0.1
        done
        xwininfo -root -tree | grep -q \"Rádio Zelvorna - A Melhor\" || { echo no window; exit 1; }
        sleep 2
        kill -0 \$app || { echo the program ended by itself; exit 1; }
        kill \$app; wait \$app; true
    "'
echo "package test: the installed program showed its window and ran until it was closed"
