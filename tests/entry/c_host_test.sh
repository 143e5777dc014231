#!/usr/bin/env bash
# The plug-in as a C host sees it: the exported symbols, the string lists, the locks, an AutoRun
# console over a loopback partner site that runs and returns by itself, windows that a user
# closes with Esc (the errors of an AutoRun with an unknown project first), and which windows are
# transient for the host's own window.
#   c_host_test.sh C_HOST LIBZEBBOT ZEBHOST
set -u
c_host="$1" library="$2" zebhost="$3"
work="$(mktemp -d)"
server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/run" ZEB_SETTINGS_FILE="$work/settings.ini" QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_RUNTIME_DIR" "$work/site"
chmod 700 "$XDG_RUNTIME_DIR"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

exports="$(nm -D --defined-only "$library" | awk '{print $3}' | sort | tr '\n' ' ')"
[ "$exports" = "_RunZEBBot _RunZEBBotAnalysis _RunZEBBotKWComparison zeb_string_list_add zeb_string_list_count zeb_string_list_create zeb_string_list_free " ] \
  || fail "exported symbols: $exports"

"$c_host" "$library" strings || fail "string lists"

# A partner site on loopback whose start page carries the link.
printf '<html><body><a href="http://mysite.example/">me</a></body></html>' > "$work/site/index.htm"
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/site" > "$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do grep -q 'port' "$work/server.log" && break; sleep 0.1; done
port="$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$work/server.log" | head -1)"
[ -n "$port" ] || { fail "no loopback server"; exit 1; }

"$zebhost" init --data "$work/data" --exe "$work/exe" > /dev/null || fail "init"
"$zebhost" project add Demo > /dev/null || fail "project add"
"$zebhost" partner add --project Demo --name Cats --home "http://127.0.0.1:$port/index.htm" \
  --find mysite.example > /dev/null || fail "partner add"
"$zebhost" settings set ZEBAutoUpdatePartner true > /dev/null || fail "settings"

"$c_host" "$library" locked || fail "a call while its lock is held"
"$c_host" "$library" autorun Demo Cats || fail "AutoRun console"
"$zebhost" partner list --project Demo > "$work/partners" || fail "partner list"
grep -q 'Cats .* yes' "$work/partners" || { fail "the partner was not updated"; cat "$work/partners"; }

# Each window stays until the user closes it, and then the next call opens again. An AutoRun of
# an unknown project shows two errors (the project, the partner) and then the idle console.
"$c_host" "$library" closes 3 bot 1 Nowhere Cats || fail "AutoRun of an unknown project"
"$c_host" "$library" closes 1 bot 0 Demo || fail "the console closed with Esc"
# Only the low byte of auto_run counts: 256 is no AutoRun, so no errors come before the console
# (one press may come before the window is up).
"$c_host" "$library" closes 1-2 bot 256 Nowhere Cats || fail "auto_run 256 is no AutoRun"
"$c_host" "$library" closes 1 analysis 0 Demo || fail "the analysis closed with Esc"
"$c_host" "$library" closes 1 kwcompare 0 Demo Cats || fail "the keyword comparison closed with Esc"

# Over a real X server: the two views belong to the host's window, the console stands alone.
if ! "$c_host" "$library" has-x11; then
  echo "SKIP: the C host was built without Xlib"
elif ! command -v xvfb-run > /dev/null; then
  echo "SKIP: no xvfb-run"
else
  # Qt's X11 plug-in leaves a D-Bus thread running to the end of the process, and
  # LeakSanitizer's exit-time scan can crash on it; the runs above check for leaks.
  for args in "analysis 1 Demo" "kwcompare 1 Demo Cats" "bot 0 Demo"; do
    # shellcheck disable=SC2086
    ASAN_OPTIONS="${ASAN_OPTIONS:-} detect_leaks=0" QT_QPA_PLATFORM=xcb \
      xvfb-run -a "$c_host" "$library" transient $args \
      || fail "transient $args"
  done
fi
exit "$failures"
