#!/usr/bin/env bash
# Takes the README's screenshots of the console under Xvfb: docs/screenshots/console-idle.png
# (a project loaded after a first run), docs/screenshots/console-running.png (mid-run), each
# settings panel opened (settings-*.png) and the six panels side by side (settings-panels.png).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/${BUILD_DIR:-build}"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" > /dev/null
cmake --build "$build" -j2 --target zeb_screenshots zeb_host_screenshots
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x900x24" \
  "$build/tests/zeb_screenshots" "$root/docs/screenshots"
# zebhost's own windows: host-first-run.png, host-window.png, host-partner-dialog.png.
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x900x24" \
  "$build/tests/zeb_host_screenshots" "$root/docs/screenshots"
convert "$root"/docs/screenshots/settings-{misc,throttling,ignores,density,exceptions,hotlink}.png \
  +append "$root/docs/screenshots/settings-panels.png"
rm -f "$root"/docs/screenshots/settings-{misc,throttling,ignores,density,exceptions,hotlink}.png

# The two result views over the demo's data.
demo="$(mktemp -d)"
trap 'rm -rf "$demo"' EXIT
"$build/tools/zebhost/zebhost" demo --dir "$demo" > /dev/null
shoot() {  # shoot OUTPUT.png zebhost-arguments...
  local out="$1"
  shift
  ZEB_SETTINGS_FILE="$demo/settings.ini" QT_QPA_PLATFORM=xcb xvfb-run -a \
    -s "-screen 0 1200x820x24" bash -c '
      "$0" "${@:2}" & pid=$!
      sleep 4
      import -window root "$1"
      kill $pid' "$build/tools/zebhost/zebhost" "$out" "$@"
  echo "wrote $out"
}
shoot "$root/docs/screenshots/analysis.png" analysis --project "My Site"
shoot "$root/docs/screenshots/kwcompare-demo.png" kwcompare --project "My Site" --partner "Cats Corner"
