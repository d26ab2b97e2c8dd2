#!/usr/bin/env bash
# Renders every picture of assets/ to PNG at 1x and 2x, and the white ones also on the purple
# they sit on in the window, so they can be looked at before committing a change.
# Usage: scripts/render_assets.sh [build-dir] [out-dir]
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build-assets}
out=${2:-$build/asset-renders}

cmake --build "$build" --target zelvorna_svg2png -j2 >/dev/null
tool=$(find "$build" -type f -name zelvorna_svg2png -perm -u+x | head -n 1)
[ -n "$tool" ] || { echo "render_assets: zelvorna_svg2png not built" >&2; exit 1; }

# Pictures drawn in white for a purple background.
on_purple=" check cross envelope lettering person speaker_max speaker_min "

mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen
for svg in "$src"/assets/*.svg; do
    name=$(basename "$svg" .svg)
    size=$(sed -n 's/.*viewBox="0 0 \([0-9.]*\) \([0-9.]*\)".*/\1 \2/p' "$svg" | head -n 1)
    read -r w h <<<"$size"
    "$tool" "$svg" "$out/${name}@1x.png" "${w%.*}" "${h%.*}"
    "$tool" "$svg" "$out/${name}@2x.png" $((${w%.*} * 2)) $((${h%.*} * 2))
    if [[ $on_purple == *" $name "* ]]; then
        "$tool" "$svg" "$out/${name}@2x-on-purple.png" $((${w%.*} * 2)) $((${h%.*} * 2)) "#8D0FEF"
    fi
done
echo "render_assets: pictures in $out"
