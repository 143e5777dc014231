#!/usr/bin/env bash
# One site crawled whole by GNU Wget2 and by `zebhost check`, side by side, at the same number
# of connections: a generated loopback site (bench_site) that holds every response back by a
# fixed delay, so that both crawlers are bound by latency, not by the machine.
#
#   bench/crawl_vs_wget2.sh [--pages 500] [--delay-ms 50] [--connections 10] [BUILD_DIR]
#
# zebhost runs twice: with the console's own tick (2,000 ms: one more connection per tick, so
# the connections ramp up slowly) and with a 10 ms tick (no ramp to speak of), so that the
# ramp's cost and the crawl's own speed show apart. Figures come from the site's request log:
# wall times are the script's. The partner's Find text is on no page, so the whole site is
# crawled; the stop limits are off.
set -euo pipefail
# shellcheck source=bench/bench_lib.sh
. "$(dirname "$0")/bench_lib.sh"

pages=500
delay=50
conns=10
build=""
while [[ $# -gt 0 ]]; do
  case $1 in
    --pages) pages=$2; shift 2 ;;
    --delay-ms) delay=$2; shift 2 ;;
    --connections) conns=$2; shift 2 ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done
case $conns in 1|5|10|15|20) ;; *) echo "--connections must be 1, 5, 10, 15 or 20" >&2; exit 2 ;; esac
command -v wget2 >/dev/null || { echo "wget2 is not installed" >&2; exit 2; }

bench_setup "$build"
tick=2000
fast_tick=10
bench_start_site site --pages "$pages" --delay-ms "$delay"
log=$BENCH_TMP/site.log
start_url=http://127.0.0.1:$SITE_PORT/p0.htm
echo "Site: $pages pages on 127.0.0.1:$SITE_PORT, $delay ms per response; $conns connections"

# GNU Wget2: every page fetched and thrown away; robots.txt read and obeyed.
bench_timed wget2 wget2 --no-config -q -r -l inf --robots=on --max-threads="$conns" \
  -O /dev/null "$start_url" || echo "wget2 ended with an error (see the request counts)" >&2
after_wget2=$(bench_log_lines "$log")

# zebhost: a store of the run's own, one partner whose Find text no page holds.
bench_zebhost_store
"$ZEBHOST" project add Bench --home-page http://mysite.example/ >/dev/null
"$ZEBHOST" partner add --project Bench --name Site --home "$start_url" --find mysite.example >/dev/null
for kv in "ZEBSelConnections $conns" "ZEBStopHops -1" "ZEBStopLinks 0" "ZEBStopTime 0"; do
  # shellcheck disable=SC2086
  "$ZEBHOST" settings set $kv >/dev/null
done
before_zeb=$(bench_log_lines "$log")
bench_timed zeb "$ZEBHOST" check --project Bench --partner Site
after_zeb=$(bench_log_lines "$log")
bench_timed zebfast "$ZEBHOST" check --project Bench --partner Site --tick-ms "$fast_tick"
after_zebfast=$(bench_log_lines "$log")

bench_log_part "$log" 0 "$after_wget2" | bench_analyse "$conns" >"$BENCH_TMP/wget2.stats"
bench_log_part "$log" "$before_zeb" "$after_zeb" | bench_analyse "$conns" >"$BENCH_TMP/zeb.stats"
bench_log_part "$log" "$after_zeb" "$after_zebfast" | bench_analyse "$conns" >"$BENCH_TMP/zebfast.stats"

for run in zeb zebfast; do
  grep -E '^\[[0-9]+\] ' "$BENCH_TMP/$run.out" | sed "s/^/  $run: /" || true
done

row() {  # label run
  local s=$BENCH_TMP/$2.stats
  local user sys peak
  read -r user sys peak <"$BENCH_TMP/$2.usage"
  printf '%-26s %8s %7s %7s %6s %9s %9s %8s %8s %7s %7s\n' "$1" "$(cat "$BENCH_TMP/$2.wall")" \
    "$(bench_get "$s" pages)" "$(bench_get "$s" robots)" "$(bench_get "$s" most)" \
    "$(FMT=%.1f bench_calc 'p / t' p="$(bench_get "$s" pages)" t="$(cat "$BENCH_TMP/$2.wall")")" \
    "$(bench_get "$s" half_rate)" "$(bench_get "$s" conn_rate)" "$(bench_get "$s" client_ms)" \
    "$(FMT=%.2f bench_calc 'u + s' u="$user" s="$sys")" \
    "$(bench_mb "$peak")"
}

wall_w=$(cat "$BENCH_TMP/wget2.wall")
wall_z=$(cat "$BENCH_TMP/zeb.wall")
wall_f=$(cat "$BENCH_TMP/zebfast.wall")
ramp_nominal=$(FMT=%.1f bench_calc '(c - 1) * t / 1000' c="$conns" t="$tick")
ramp_seen=$(bench_get "$BENCH_TMP/zeb.stats" ramp)
limit=$(FMT=%.2f bench_calc '1000 / d' d="$delay")
conn_rate=$(bench_get "$BENCH_TMP/zebfast.stats" conn_rate)
conn_rate_slow=$(bench_get "$BENCH_TMP/zeb.stats" conn_rate)
allowed=$(FMT=%.2f bench_calc '1.5 * w + r' w="$wall_w" r="$ramp_nominal")

echo
echo "== crawl_vs_wget2: $pages pages, $delay ms per response, $conns connections (2 shared cores: figures are noisy) =="
printf '%-26s %8s %7s %7s %6s %9s %9s %8s %8s %7s %7s\n' run "wall s" pages robots "most" "pages/s" \
  "2nd-half" "/s/conn" "client" "CPU s" "peak MB"
row "wget2 --max-threads=$conns" wget2
row "zebhost, tick $tick ms" zeb
row "zebhost, tick $fast_tick ms" zebfast
echo "(most: most requests in flight at once; 2nd-half: pages/s over the last half of the crawl;"
echo " /s/conn: pages per second per connection over the last half; client: ms a connection"
echo " spends between a response and its next request; latency limit per connection: $limit/s)"
echo
printf 'zebhost / wget2 wall time:        %s (tick %s ms), %s (tick %s ms)\n' \
  "$(bench_calc 'z / w' z="$wall_z" w="$wall_w")" "$tick" "$(bench_calc 'z / w' z="$wall_f" w="$wall_w")" "$fast_tick"
if [[ $ramp_seen == -1* ]]; then
  ramp_text="never reached $conns at once (at most $(bench_get "$BENCH_TMP/zeb.stats" most)): the site was crawled before the ramp ended"
else
  ramp_text="$conns requests in flight ${ramp_seen} s after the first request"
fi
printf 'ramp, tick %s ms:                nominal %s s (%s more connections x %s ms); %s\n' \
  "$tick" "$ramp_nominal" "$((conns - 1))" "$tick" "$ramp_text"
printf 'ramp cost (wall, tick %s - %s):   %s s\n' "$tick" "$fast_tick" "$(bench_calc 'a - b' a="$wall_z" b="$wall_f")"
printf 'after the ramp (tick %s ms run):   %s pages/s per connection = %s%% of the %s/s latency limit (aim 95%%)\n' \
  "$fast_tick" "$conn_rate" "$(FMT=%.1f bench_calc '100 * r / l' r="$conn_rate" l="$limit")" "$limit"
printf 'same, tick %s ms run:            %s pages/s per connection = %s%%\n' \
  "$tick" "$conn_rate_slow" "$(FMT=%.1f bench_calc '100 * r / l' r="$conn_rate_slow" l="$limit")"
printf 'whole run, tick %s ms:           %s s; aim <= 1.5 x wget2 + nominal ramp = %s s: %s\n' "$tick" "$wall_z" \
  "$allowed" "$(awk -v a="$wall_z" -v b="$allowed" 'BEGIN { print (a <= b ? "met" : "NOT met") }')"
for run in wget2 zeb zebfast; do
  printf '%-8s first request %s ms after the start, exit %s ms after the last response\n' "$run:" \
    "$(FMT=%.0f bench_calc '1000 * (f - s)' f="$(bench_get "$BENCH_TMP/$run.stats" first)" s="$(cat "$BENCH_TMP/$run.start")")" \
    "$(FMT=%.0f bench_calc '1000 * (e - l)' e="$(cat "$BENCH_TMP/$run.end")" l="$(bench_get "$BENCH_TMP/$run.stats" last)")"
done
