#!/usr/bin/env bash
# Pictures of NxInfoW.exe for the README: the main window, a run in progress
# and the summary at the end, taken on a virtual X display (Xvfb) in a Wine
# prefix of their own (its desktop must be started with the display).
# Needs a win64 build with host_window_tests.
# Usage: window-screenshots.sh BUILD OUTPUT_FOLDER
set -euo pipefail
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
shots=$(mktemp -d)
display=:$((100 + RANDOM % 400))
Xvfb "$display" -screen 0 900x620x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export NOX_WINEPREFIX=$build/wineprefix-shots
trap 'WINEPREFIX=$NOX_WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null; kill $xvfb; rm -rf "$shots"' EXIT
export DISPLAY=$display
sleep 1

take() {  # take NAME: waits for the pose, snaps the screen, lets the test go on
  for _ in $(seq 900); do [ -f "$shots/$1.ready" ] && break; sleep 0.1; done
  sleep 0.7
  import -display "$display" -window root "$out/nxinfow-$1.png"
  touch "$shots/$1.done"
}

cd "$build/bin"
NOX_SHOTS="Z:${shots//\//\\}" "$root/scripts/wine-run" ./host_window_tests.exe \
  --gtest_also_run_disabled_tests --gtest_filter='*PoseForScreenshots*' >"$shots/test.log" 2>/dev/null &
test=$!
take main
take progress
take done
wait $test || { cat "$shots/test.log"; exit 1; }
# Without a window manager the dialog is all there is on the screen: cut it out.
for name in main progress done; do
  convert "$out/nxinfow-$name.png" -trim +repage "$out/nxinfow-$name.png"
done
ls -l "$out"/nxinfow-*.png
