#!/usr/bin/env bash
# Builds the host and the plug-in, installs them into build/stage, makes the demo project with
# a generated SEG-Y line, and starts the host on it. Without a display the host runs under Xvfb
# and leaves screenshots behind (the viewer on a shot with a red column among them, and that
# shot's traces with linear moveout), and
# segyhdr checks the demo line and draws its map.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
source scripts/packages.sh
# python3-segyio: the end-to-end run that leaves the viewer's screenshot checks every shot against it.
ensure_packages "${BUILD_PACKAGES[@]}" xvfb xauth python3 python3-segyio python3-numpy

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
# Only what the stage holds; scripts/test.sh builds the rest.
cmake --build build -j"$(nproc)" --target ZnHost BrowseHeader segygen segyhdr
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

# The viewer itself: the end-to-end run drives the installed plug-in from the browse dialog
# through every shot of a demo line and stops on its first shot with a red column.
cmake --build build -j"$(nproc)" --target tst_EndToEnd >/dev/null
(cd build && ctest -R tst_EndToEnd --output-on-failure >/dev/null)
cp build/screenshots/generated-line-viewer.png "$shots/viewer.png"
# The same shot's traces in the gather window, opened with "Show traces" and moved out at 2000 m/s.
cp build/screenshots/generated-line-gather.png "$shots/gather.png"

echo
echo "segyhdr qc $line"
status=0
"$stage/bin/segyhdr" qc "$line" || status=$?
[ "$status" -eq 1 ] || { echo "segyhdr qc ended with status $status, not 1 (findings)" >&2; exit 1; }
# The three planted shots and their columns, nothing more.
flagged=$("$stage/bin/segyhdr" qc "$line" --csv | awk -F, 'NR > 1 { printf "%s %s %s;", $1, $2, $6 }' || true)
if [ "$flagged" != "7 1007 s_elev;18 1018 source_x;30 1030 s_elev;" ]; then
    echo "segyhdr qc flagged \"$flagged\" instead of the three planted shots" >&2
    exit 1
fi
"$stage/bin/segyhdr" map "$line" -o "$demo/demo-map.svg"
"$stage/bin/segyhdr" map "$line" -o "$demo/demo-map.png"
echo "Map of the line: $demo/demo-map.svg (and .png)"
echo "Screenshots: $shots (host.png, the dialog next to it, viewer.png and gather.png)."
echo "To use it interactively, run this script again where a display is available."
