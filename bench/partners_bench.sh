#!/usr/bin/env bash
# Many partners checked in one `zebhost check --all`: each partner is a loopback site of its own
# (host pN.localhost of one bench_site) whose start page holds the Find text, so each check is
# two requests (robots.txt and the start page), each held back by the delay. Times the run
# sequentially (--parallel 1) and, when zebhost has the option, with --parallel N, and shows
# what each partner costs beyond its requests.
#
#   bench/partners_bench.sh [--partners 100] [--delay-ms 50] [--parallel 10] [BUILD_DIR]
set -euo pipefail
# shellcheck source=bench/bench_lib.sh
. "$(dirname "$0")/bench_lib.sh"

partners=100
delay=50
parallel=10
build=""
while [[ $# -gt 0 ]]; do
  case $1 in
    --partners) partners=$2; shift 2 ;;
    --delay-ms) delay=$2; shift 2 ;;
    --parallel) parallel=$2; shift 2 ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done

bench_setup "$build"
bench_start_site site --pages 50 --partners "$partners" --delay-ms "$delay" --find mysite.example
log=$BENCH_TMP/site.log

bench_zebhost_store
"$ZEBHOST" project add Bench --home-page http://mysite.example/ >/dev/null
{
  echo "name,home page,start page,start hop,find text,link text"
  for i in $(seq "$partners"); do echo "P$i,http://p$i.localhost:$SITE_PORT/,,,mysite.example,"; done
} >"$BENCH_TMP/partners.csv"
"$ZEBHOST" partner import --project Bench "$BENCH_TMP/partners.csv" >/dev/null
connections=10
"$ZEBHOST" settings set ZEBSelConnections "$connections" >/dev/null

# Does this zebhost know --parallel? An unknown option is refused before anything is read.
probe=$("$ZEBHOST" check --project Bench --partner "no such partner" --parallel 1 2>&1 || true)
if [[ $probe == *"unknown option --parallel"* ]]; then
  has_parallel=0
  runs=(seq)
else
  has_parallel=1
  runs=(seq par)
fi

declare -A lanes=([seq]=1 [par]=$parallel)
for run in "${runs[@]}"; do
  extra=()
  [[ $has_parallel == 1 ]] && extra=(--parallel "${lanes[$run]}")
  before=$(bench_log_lines "$log")
  bench_timed "$run" "$ZEBHOST" check --project Bench --all "${extra[@]}" ||
    echo "zebhost check ($run) ended with an error" >&2
  after=$(bench_log_lines "$log")
  found=$(grep -cE '^\[[0-9]+\] .*: found' "$BENCH_TMP/$run.out" || true)
  echo "$found" >"$BENCH_TMP/$run.found"
  # Per partner (host): requests, first arrival, last end; then, in the order the partners
  # started, the time their requests took and the gap before the next partner's first request.
  bench_log_part "$log" "$before" "$after" | awk -F'\t' -v zs="$(cat "$BENCH_TMP/$run.start")" \
      -v ze="$(cat "$BENCH_TMP/$run.end")" '
    { h = $5; n[h]++; if ($3 > most) most = $3; if (!(h in a) || $1 < a[h]) a[h] = $1; if ($2 > e[h]) e[h] = $2; req++ }
    END {
      k = 0
      for (h in a) { k++; host[k] = h }
      # insertion sort by first arrival (a few hundred hosts at most)
      for (i = 2; i <= k; i++) { x = host[i]; j = i - 1
        while (j > 0 && a[host[j]] > a[x]) { host[j + 1] = host[j]; j-- } host[j + 1] = x }
      for (i = 1; i <= k; i++) {
        span += e[host[i]] - a[host[i]]
        if (i > 1) gap += a[host[i]] - e[host[i - 1]]
      }
      printf "hosts=%d\nrequests=%d\nmost=%d\n", k, req, most
      printf "req_ms=%.1f\n", (k ? 1000 * span / k : 0)
      printf "gap_ms=%.1f\n", (k > 1 ? 1000 * gap / (k - 1) : 0)
      printf "startup_ms=%.1f\n", (k ? 1000 * (a[host[1]] - zs) : 0)
      printf "finish_ms=%.1f\n", (k ? 1000 * (ze - e[host[k]]) : 0)
    }' >"$BENCH_TMP/$run.stats"
done

echo
echo "== partners_bench: $partners partners, 2 requests each at $delay ms, ZEBSelConnections $connections (2 shared cores: figures are noisy) =="
printf '%-27s %8s %6s %9s %5s %11s %12s %12s %11s %10s %10s %7s\n' run "wall s" found requests most \
  "ms/partner" "overhead ms" "requests ms" "between ms" "start ms" "end ms" "CPU s"
for run in "${runs[@]}"; do
  s=$BENCH_TMP/$run.stats
  wall=$(cat "$BENCH_TMP/$run.wall")
  read -r user sys _ <"$BENCH_TMP/$run.usage"
  p=${lanes[$run]}
  if [[ $has_parallel == 1 ]]; then label="--parallel $p"; else label="sequential (no --parallel)"; fi
  printf '%-27s %8s %6s %9s %5s %11s %12s %12s %11s %10s %10s %7s\n' "$label" "$wall" \
    "$(cat "$BENCH_TMP/$run.found")" "$(bench_get "$s" requests)" "$(bench_get "$s" most)" \
    "$(FMT=%.1f bench_calc '1000 * w / n' w="$wall" n="$partners")" \
    "$(FMT=%.1f bench_calc '1000 * w * p / n - 2 * d' w="$wall" p="$p" n="$partners" d="$delay")" \
    "$(bench_get "$s" req_ms)" "$(bench_get "$s" gap_ms)" "$(bench_get "$s" startup_ms)" \
    "$(bench_get "$s" finish_ms)" "$(FMT=%.2f bench_calc 'u + s' u="$user" s="$sys")"
done
echo "(most: most requests in flight at once; ms/partner: wall / partners; overhead: wall x lanes / partners - 2 x $delay ms, each lane's"
echo " time per partner beyond its two requests; requests ms: a partner's first request to its"
echo " last response, server side; between ms: last response of one partner to the first request"
echo " of the next, in start order (meaningful sequentially); start/end ms: zebhost's start to the"
echo " first request, the last response to zebhost's exit)"
if [[ $has_parallel == 0 ]]; then
  echo "--parallel: not measured; this zebhost refuses the option (\"unknown option --parallel\")"
fi
