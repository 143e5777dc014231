#!/usr/bin/env bash
# A big site: one partner whose loopback site has many small pages (4 KB, 10 links each, no
# delay), crawled whole by `zebhost check` at 20 connections and by GNU Wget2 with 20 threads.
# Shows whether the crawl slows down as its tables grow (pages per second of the first and the
# last 1,000 pages, from the site's request log), its peak memory, and its CPU per page.
#
#   bench/scale_bench.sh [--pages 100000] [--tick-ms 10] [--no-wget2] [BUILD_DIR]
#
# The tick is 10 ms unless told, so the 20 connections are up at once and the figures are the
# crawl's, not the ramp's (crawl_vs_wget2.sh measures the ramp).
set -euo pipefail
# shellcheck source=bench/bench_lib.sh
. "$(dirname "$0")/bench_lib.sh"

pages=100000
tick=10
conns=20
with_wget2=1
build=""
while [[ $# -gt 0 ]]; do
  case $1 in
    --pages) pages=$2; shift 2 ;;
    --tick-ms) tick=$2; shift 2 ;;
    --no-wget2) with_wget2=0; shift ;;
    -h|--help) sed -n '2,11p' "$0"; exit 0 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done
if [[ $with_wget2 == 1 ]] && ! command -v wget2 >/dev/null; then
  echo "wget2 is not installed: measuring zebhost only" >&2
  with_wget2=0
fi

bench_setup "$build"
bench_start_site site --pages "$pages" --size 4096 --links 10 --delay-ms 0
log=$BENCH_TMP/site.log
start_url=http://127.0.0.1:$SITE_PORT/p0.htm
echo "Site: $pages pages of 4 KB, 10 links each, on 127.0.0.1:$SITE_PORT; $conns connections"

bench_zebhost_store
"$ZEBHOST" project add Bench --home-page http://mysite.example/ >/dev/null
"$ZEBHOST" partner add --project Bench --name Site --home "$start_url" --find mysite.example >/dev/null
for kv in "ZEBSelConnections $conns" "ZEBStopHops -1" "ZEBStopLinks 0" "ZEBStopTime 0"; do
  # shellcheck disable=SC2086
  "$ZEBHOST" settings set $kv >/dev/null
done
runs=(zeb)
bench_timed zeb "$ZEBHOST" check --project Bench --partner Site --tick-ms "$tick" ||
  echo "zebhost check ended with an error" >&2
after_zeb=$(bench_log_lines "$log")
grep -E '^\[[0-9]+\] ' "$BENCH_TMP/zeb.out" | sed 's/^/  zebhost: /' || true
du -sk "$BENCH_TMP/data" | awk '{ printf "  zebhost data folder after the run: %.1f MB\n", $1 / 1024 }'

if [[ $with_wget2 == 1 ]]; then
  runs+=(wget2)
  bench_timed wget2 wget2 --no-config -q -r -l inf --robots=on --max-threads="$conns" \
    -O /dev/null "$start_url" || echo "wget2 ended with an error (see the request counts)" >&2
fi
after_wget2=$(bench_log_lines "$log")

# Pages per second of the first and the last 1,000 pages (or a tenth of the site when smaller),
# in the order their responses ended.
edge_rates() {
  local block=$(( pages >= 10000 ? 1000 : (pages / 10 > 0 ? pages / 10 : 1) ))
  awk -F'\t' '$6 != "/robots.txt" && $7 == 200 { print $1 "\t" $2 }' | sort -t$'\t' -k2,2g |
    awk -F'\t' -v b="$block" '
      { n++; arr[n] = $1; e[n] = $2 }
      END {
        printf "block=%d\n", b
        if (n < 2 * b) { print "first_rate=0\nlast_rate=0"; exit }
        first = arr[1]
        for (i = 2; i <= b; i++) if (arr[i] < first) first = arr[i]
        printf "first_rate=%.1f\n", b / (e[b] - first)
        printf "last_rate=%.1f\n", b / (e[n] - e[n - b])
      }'
}
bench_log_part "$log" 0 "$after_zeb" | bench_analyse "$conns" >"$BENCH_TMP/zeb.stats"
bench_log_part "$log" 0 "$after_zeb" | edge_rates >>"$BENCH_TMP/zeb.stats"
if [[ $with_wget2 == 1 ]]; then
  bench_log_part "$log" "$after_zeb" "$after_wget2" | bench_analyse "$conns" >"$BENCH_TMP/wget2.stats"
  bench_log_part "$log" "$after_zeb" "$after_wget2" | edge_rates >>"$BENCH_TMP/wget2.stats"
fi

block=$(bench_get "$BENCH_TMP/zeb.stats" block)
echo
echo "== scale_bench: $pages pages of 4 KB, no delay, $conns connections, zebhost tick $tick ms (2 shared cores: figures are noisy) =="
printf '%-24s %8s %7s %5s %9s %10s %10s %8s %8s %9s\n' run "wall s" pages most "pages/s" \
  "first $block" "last $block" "CPU s" "peak MB" "CPU/page"
for run in "${runs[@]}"; do
  s=$BENCH_TMP/$run.stats
  wall=$(cat "$BENCH_TMP/$run.wall")
  read -r user sys peak <"$BENCH_TMP/$run.usage"
  n=$(bench_get "$s" pages)
  cpu=$(FMT=%.2f bench_calc 'u + s' u="$user" s="$sys")
  case $run in zeb) label="zebhost check" ;; *) label="wget2 --max-threads=$conns" ;; esac
  printf '%-24s %8s %7s %5s %9s %10s %10s %8s %8s %9s\n' "$label" "$wall" "$n" "$(bench_get "$s" most)" \
    "$(FMT=%.1f bench_calc 'n / w' n="$n" w="$wall")" "$(bench_get "$s" first_rate)" \
    "$(bench_get "$s" last_rate)" "$cpu" \
    "$(bench_mb "$peak")" \
    "$(FMT=%.2f bench_calc 'n > 0 ? 1000 * c / n : 0' c="$cpu" n="$n")ms"
done
echo "(first/last $block: pages per second of the first and the last $block pages, from the"
echo " site's log; CPU: user + system seconds of the crawler alone; the site's own CPU is not"
echo " counted; CPU/page: CPU ms per page)"
for run in "${runs[@]}"; do
  printf '%-8s first request %s s after the start, exit %s s after the last response; %s s of requests\n' "$run:" \
    "$(FMT=%.2f bench_calc 'f - s' f="$(bench_get "$BENCH_TMP/$run.stats" first)" s="$(cat "$BENCH_TMP/$run.start")")" \
    "$(FMT=%.2f bench_calc 'e - l' e="$(cat "$BENCH_TMP/$run.end")" l="$(bench_get "$BENCH_TMP/$run.stats" last)")" \
    "$(bench_get "$BENCH_TMP/$run.stats" span)"
done
