#!/usr/bin/env bash
# Builds the Debian package for a system installation (/usr) and checks it with lintian: it must
# show no error and no warning. Prints the package's path.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PACKAGE_BUILD_DIR:-$top/build-deb}
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
if ! command -v lintian >/dev/null || ! command -v appstreamcli >/dev/null; then
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends lintian appstream
fi
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF -DZELVORNA_DEMO_STATION=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/radio-zelvorna_*.deb)
# A release trusts the system's authorities only: the demo station's certificate must not be in it.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
certificate_line=$(sed -n 2p "$top/scripts/demo/tls/station-cert.pem")
if grep -rqF "$certificate_line" "$unpacked"; then
    echo "package: the demo station's certificate is in the release package" >&2
    exit 1
fi
lintian --fail-on error,warning --info "$deb"
# Software centres read the AppStream file: nothing in it but notices.
metainfo=$unpacked/usr/share/metainfo/br.com.radiozelvorna.Ouvinte.metainfo.xml
appstreamcli validate --pedantic --no-net "$metainfo" | tee "$unpacked.appstream"
if grep -qE '^[EW]:' "$unpacked.appstream"; then
    echo "package: the AppStream file has errors or warnings" >&2
    exit 1
fi
rm -f "$unpacked.appstream"
echo "package: $deb"
