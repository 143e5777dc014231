# shellcheck shell=bash
# Shared parts of the crawl benchmark scripts; sourced, not run.
#
# BENCH_KEEP=1 in the environment keeps the temporary folder (request logs, outputs).
#
# Gives: bench_setup BUILD_ARG (finds the build, makes the temporary folder and the exit trap),
# bench_start_site NAME ARGS... (a bench_site in the background; sets SITE_PORT),
# bench_zebhost_store (a zebhost settings store and data folder of the run's own),
# bench_timed NAME CMD... (runs a command, keeping wall, CPU and peak memory in $BENCH_TMP/NAME.*),
# bench_log_lines FILE, bench_log_part FILE FROM TO, bench_analyse CONNECTIONS (a log on stdin),
# bench_get FILE KEY, bench_calc EXPR NAME=VALUE..., bench_mb KB.

BENCH_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BENCH_REPO=$(cd "$BENCH_DIR/.." && pwd)
BENCH_TMP=""
BENCH_PIDS=()
BENCH_CHILD=""

bench_cleanup() {
  local pid
  # A timed command still running (the script was interrupted): its own children first, as
  # /usr/bin/time does not pass the signal on.
  if [[ -n "$BENCH_CHILD" ]]; then
    for pid in $(pgrep -P "$BENCH_CHILD" || true); do kill "$pid" 2>/dev/null || true; done
    kill "$BENCH_CHILD" 2>/dev/null || true
    wait "$BENCH_CHILD" 2>/dev/null || true
  fi
  for pid in "${BENCH_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [[ -n "${BENCH_KEEP:-}" && -d "$BENCH_TMP" ]]; then
    echo "kept $BENCH_TMP (request logs *.log, outputs *.out)" >&2
  elif [[ -n "$BENCH_TMP" && -d "$BENCH_TMP" ]]; then
    rm -rf "$BENCH_TMP"
  fi
}

# The build folder: the one given, else build-rel, else build, of this checkout.
bench_setup() {
  local given=${1:-}
  local dir
  if [[ -n "$given" ]]; then
    dir=$given
  elif [[ -x "$BENCH_REPO/build-rel/tools/zebhost/zebhost" ]]; then
    dir=$BENCH_REPO/build-rel
  else
    dir=$BENCH_REPO/build
  fi
  ZEBHOST=$(cd "$dir" && pwd)/tools/zebhost/zebhost
  BENCH_SITE=$(cd "$dir" && pwd)/bench/bench_site
  for exe in "$ZEBHOST" "$BENCH_SITE"; do
    if [[ ! -x "$exe" ]]; then
      echo "missing $exe: build the targets zebhost and bench_site in $dir first" >&2
      exit 2
    fi
  done
  BENCH_TMP=$(mktemp -d "${TMPDIR:-/tmp}/zeb-bench.XXXXXX")
  trap bench_cleanup EXIT
  trap 'exit 130' INT TERM
  if [[ -x /usr/bin/time ]] && /usr/bin/time -f '%e' true 2>/dev/null; then
    BENCH_GNU_TIME=1
  else
    BENCH_GNU_TIME=0
  fi
}

# Starts bench_site with ARGS, its log in $BENCH_TMP/NAME.log; waits for its port.
bench_start_site() {
  local name=$1
  shift
  "$BENCH_SITE" "$@" --log "$BENCH_TMP/$name.log" >"$BENCH_TMP/$name.port" 2>"$BENCH_TMP/$name.err" &
  BENCH_PIDS+=($!)
  for _ in $(seq 100); do
    [[ -s "$BENCH_TMP/$name.port" ]] && break
    sleep 0.05
  done
  SITE_PORT=$(head -n1 "$BENCH_TMP/$name.port")
  if [[ -z "$SITE_PORT" ]]; then
    echo "bench_site did not start:" >&2
    cat "$BENCH_TMP/$name.err" >&2
    exit 1
  fi
}

# Points zebhost at a settings store, data and program folders in the temporary folder (never
# the user's own), and makes them.
bench_zebhost_store() {
  export ZEB_SETTINGS_FILE=$BENCH_TMP/settings.ini
  export XDG_CONFIG_HOME=$BENCH_TMP/config
  export XDG_DATA_HOME=$BENCH_TMP/share
  export XDG_RUNTIME_DIR=$BENCH_TMP/run
  mkdir -p "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  "$ZEBHOST" init --data "$BENCH_TMP/data" --exe "$BENCH_TMP/program" >/dev/null
}

bench_now() { date +%s.%N; }

# Runs CMD with its output in $BENCH_TMP/NAME.out; keeps the wall seconds in NAME.wall, the
# start and end (seconds since the epoch) in NAME.start and NAME.end, and "user system peak_kB"
# in NAME.usage (peak "n/a" without GNU time). The command's exit status is returned.
bench_timed() {
  local name=$1
  shift
  local status=0 start end
  start=$(bench_now)
  # In the background and waited for, so that an interrupt reaches the trap at once.
  if [[ $BENCH_GNU_TIME == 1 ]]; then
    /usr/bin/time -o "$BENCH_TMP/$name.time" -f '%U %S %M' "$@" >"$BENCH_TMP/$name.out" 2>&1 &
  else
    { local TIMEFORMAT='%U %S n/a'; time "$@" >"$BENCH_TMP/$name.out" 2>&1; } 2>"$BENCH_TMP/$name.time" &
  fi
  BENCH_CHILD=$!
  wait "$BENCH_CHILD" || status=$?
  BENCH_CHILD=""
  end=$(bench_now)
  echo "$start" >"$BENCH_TMP/$name.start"
  echo "$end" >"$BENCH_TMP/$name.end"
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f\n", e - s }' >"$BENCH_TMP/$name.wall"
  tail -n1 "$BENCH_TMP/$name.time" >"$BENCH_TMP/$name.usage"
  return $status
}

# Field N of a one-line file.
bench_field() { awk -v n="$2" '{ print $n }' "$1"; }

bench_log_lines() { wc -l <"$1" | tr -d ' '; }

# Lines FROM+1 .. TO of a request log (the requests of one crawl).
bench_log_part() { sed -n "$(($2 + 1)),$3p" "$1"; }

# Reads a request log part (bench_site's format) on stdin and prints key=value lines:
#   requests pages robots errors: counts (pages: 200 answers other than robots.txt)
#   span: first arrival to last end, seconds; first last: those times
#   most: most requests in flight at once
#   ramp: seconds from the first arrival to the first with CONNECTIONS in flight (-1: never)
#   half_rate: pages per second ended in the last half of the span
#   half_busy: mean requests in flight over the last half
#   cycle_ms: mean time between the arrivals of two requests on one connection (last half)
#   client_ms: of which the time between a response's end and the next request on that
#     connection: the client's own time per page
#   conn_rate: 1000 / cycle_ms, pages per second per connection
bench_analyse() {
  awk -F'\t' -v want="$1" '
    { n++; arr[n] = $1; end_[n] = $2; fl[n] = $3; port[n] = $4; path[n] = $6; st[n] = $7 }
    END {
      if (n == 0) { print "requests=0"; exit }
      first = arr[1]; last = end_[1]; most = 0; ramp_at = -1
      for (i = 1; i <= n; i++) {
        if (arr[i] < first) first = arr[i]
        if (end_[i] > last) last = end_[i]
        if (fl[i] > most) most = fl[i]
        if (fl[i] >= want && (ramp_at < 0 || arr[i] < ramp_at)) ramp_at = arr[i]
        if (path[i] == "/robots.txt") robots++
        else if (st[i] == 200) pages++
        else errors++
      }
      mid = (first + last) / 2
      for (i = 1; i <= n; i++) {
        if (path[i] != "/robots.txt" && st[i] == 200 && end_[i] >= mid) half_pages++
        a = arr[i] > mid ? arr[i] : mid
        if (end_[i] > a) busy += end_[i] - a
        # The log is written in the order requests end, and a connection carries one request
        # at a time, so the line before on the same port is the request before on it.
        if (port[i] in prev_arr && arr[i] >= mid) {
          cycles += arr[i] - prev_arr[port[i]]
          client += arr[i] - prev_end[port[i]]
          ncycles++
        }
        prev_arr[port[i]] = arr[i]; prev_end[port[i]] = end_[i]
      }
      half = last - mid
      printf "requests=%d\npages=%d\nrobots=%d\nerrors=%d\n", n, pages, robots, errors
      printf "first=%.6f\nlast=%.6f\nspan=%.3f\nmost=%d\n", first, last, last - first, most
      printf "ramp=%.3f\n", (ramp_at < 0 ? -1 : ramp_at - first)
      printf "half_rate=%.1f\nhalf_busy=%.2f\n", (half > 0 ? half_pages / half : 0), (half > 0 ? busy / half : 0)
      if (ncycles > 0) {
        printf "cycle_ms=%.2f\nclient_ms=%.2f\nconn_rate=%.2f\n", 1000 * cycles / ncycles,
               1000 * client / ncycles, ncycles / cycles
      } else {
        printf "cycle_ms=-1\nclient_ms=-1\nconn_rate=0\n"
      }
    }'
}

# The value of KEY in a key=value file.
bench_get() { sed -n "s/^$2=//p" "$1" | head -n1; }

# Arithmetic on decimals: bench_calc 'a / b' a=1 b=2 (printf format in FMT, default %.2f).
bench_calc() {
  local expr=$1
  shift
  awk -v fmt="${FMT:-%.2f}" "$(printf 'BEGIN { '; for kv in "$@"; do printf '%s; ' "$kv"; done; printf 'printf fmt "\\n", (%s) }' "$expr")"
}

# Kilobytes as whole megabytes; "n/a" stays.
bench_mb() {
  if [[ $1 == n/a ]]; then echo n/a; else FMT=%.0f bench_calc 'k / 1024' k="$1"; fi
}
