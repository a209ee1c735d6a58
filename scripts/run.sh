#!/usr/bin/env bash
# Builds the host and the plug-in, installs them into build/stage, makes the demo project with
# a generated SEG-Y line, and starts the host on it. Without a display the host runs under Xvfb
# and leaves screenshots behind.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
source scripts/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" xvfb xauth

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
# Only what the stage holds; scripts/test.sh builds the rest.
cmake --build build -j"$(nproc)" --target ZnHost BrowseHeader segygen
stage="$top/build/stage"
cmake --install build --prefix "$stage" >/dev/null

demo="$top/build/demo"
line="$demo/demo-line.sgy"
project="$demo/project"
mkdir -p "$project"
[ -f "$line" ] || "$stage/bin/segygen" --demo "$line"
if [ ! -f "$project/project.ini" ]; then
    printf '[General]\nBrowseHeader_BrowseHeaderDialog_segyName=%s\n' "$line" > "$project/project.ini"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Starting the host on the demo project $project"
    echo "Open Tools > Browse SEGY Header and press OK to browse $line"
    exec "$stage/bin/ZnHost" --project "$project"
fi

shots="$demo/screenshots"
mkdir -p "$shots"
echo "No display: running the host under Xvfb on the demo project $project"
xvfb-run -a "$stage/bin/ZnHost" --project "$project" --trigger "Browse SEGY Header" \
    --screenshot "$shots/host.png" --quit-after 4000
echo "The host loaded its plug-ins and opened the browse dialog with the demo line $line."
echo "Screenshots: $shots (host.png and the dialog next to it)."
echo "To use it interactively, run this script again where a display is available."
