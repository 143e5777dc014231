#!/usr/bin/env bash
# Runs the zebhost binary as a user would: exit status, output and one-line errors.
set -u
zebhost="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ZEB_SETTINGS_FILE="$work/settings.ini" XDG_DATA_HOME="$work/share"
failures=0
check() {  # check DESCRIPTION EXPECTED-STATUS COMMAND...
  local what="$1" want="$2"
  shift 2
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  if [ "$got" -ne "$want" ]; then
    echo "FAIL: $what: exit $got, wanted $want"; cat "$work/out" "$work/err"
    failures=$((failures + 1))
  fi
}
check "list before init" 2 "$zebhost" project list
grep -q '^zebhost: .*zebhost init' "$work/err" || { echo "FAIL: no hint to run init"; failures=$((failures + 1)); }
[ "$(wc -l <"$work/err")" -eq 1 ] || { echo "FAIL: error is not one line"; failures=$((failures + 1)); }
check "init" 0 "$zebhost" init --data "$work/data" --exe "$work/exe"
check "project add" 0 "$zebhost" project add Demo --home-page http://mysite.localhost/
check "partner add" 0 "$zebhost" partner add --project Demo --name Cats --home http://cats.localhost/ --find mysite.localhost
check "partner list" 0 "$zebhost" partner list --project Demo
grep -q 'Cats' "$work/out" || { echo "FAIL: partner list lacks Cats"; failures=$((failures + 1)); }
check "unknown project" 2 "$zebhost" partner list --project Nope
check "no arguments without a desktop" 2 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$zebhost"
check "bot without a desktop" 2 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$zebhost" bot
grep -q '^zebhost: the console needs a desktop' "$work/err" || { echo "FAIL: no desktop hint"; failures=$((failures + 1)); }
[ -f "$work/data/zeb.sqlite" ] || { echo "FAIL: no database"; failures=$((failures + 1)); }

# Every command and group answers --help on stdout with status 0: its usage, an example, and a
# description for each option its usage line names. The walk follows the "Commands:" lists.
walk() {  # walk WORDS...
  "$zebhost" "$@" --help >"$work/help" 2>"$work/err"
  if [ $? -ne 0 ] || [ -s "$work/err" ]; then
    echo "FAIL: zebhost $* --help"; cat "$work/err"; failures=$((failures + 1)); return
  fi
  grep -q '^Usage: zebhost' "$work/help" && grep -q '^Example:' "$work/help" \
    || { echo "FAIL: zebhost $* --help lacks usage or example"; failures=$((failures + 1)); }
  for option in $(grep '^Usage:' "$work/help" | grep -o -- '--[a-z-]*' | sort -u); do
    grep -Eq "^  $option( [A-Z]+)? +[a-z]" "$work/help" \
      || { echo "FAIL: zebhost $* --help does not describe $option"; failures=$((failures + 1)); }
  done
  local sub
  for sub in $(sed -n '/^Commands:/,/^$/p' "$work/help" | awk 'NR > 1 && NF {print $1}'); do
    walk "$@" "$sub"
  done
}
walk
[ "$("$zebhost" --version)" = "zebhost $("$zebhost" --version | cut -d' ' -f2)" ] \
  && "$zebhost" --version | grep -Eq '^zebhost [0-9]+\.[0-9]+' \
  || { echo "FAIL: --version"; failures=$((failures + 1)); }
check "bad use" 2 "$zebhost" partner list --project Demo --colour red
[ "$(cat "$work/err")" = "zebhost: unknown option --colour" ] && [ ! -s "$work/out" ] \
  || { echo "FAIL: bad use is not one line on stderr"; failures=$((failures + 1)); }

# The listings and the partner file read back with python's csv and json modules.
check "partner with odd fields" 0 "$zebhost" partner add --project Demo --name 'Dogs, "Inc."' \
  --home http://dogs.localhost/ --find mysite.localhost --link-text $'<a>\nMy Site</a>' \
  --start http://dogs.localhost/links/ --start-hop 2
check "partner list csv" 0 "$zebhost" partner list --project Demo --format csv
python3 - "$work/out" <<'PY' || failures=$((failures + 1))
import csv, sys
with open(sys.argv[1], newline="") as f:
    rows = list(csv.DictReader(f))
dogs = [r for r in rows if r["Partner"] == 'Dogs, "Inc."']
if len(rows) != 2 or len(dogs) != 1 or dogs[0]["Link text"] != "<a>\r\nMy Site</a>" \
        or dogs[0]["Start hop"] != "2" or dogs[0]["Found"] != "false":
    sys.exit("FAIL: partner list csv: %r" % rows)
PY
check "project list json" 0 "$zebhost" project list --format json
python3 - "$work/out" <<'PY' || failures=$((failures + 1))
import json, sys
projects = json.load(open(sys.argv[1], encoding="utf-8"))
if projects != [{"project": "Demo", "home_page": "http://mysite.localhost/", "partners": 2}]:
    sys.exit("FAIL: project list json: %r" % projects)
PY
check "settings list json" 0 "$zebhost" settings list --format json
python3 -c 'import json, sys; s = json.load(open(sys.argv[1])); assert len(s) > 5 and all(set(x) == {"name", "value"} for x in s)' "$work/out" \
  || { echo "FAIL: settings list json"; failures=$((failures + 1)); }
check "partner export" 0 "$zebhost" partner export --project Demo --out "$work/partners.csv"
python3 - "$work/partners.csv" <<'PY' || failures=$((failures + 1))
import csv, sys
data = open(sys.argv[1], "rb").read()
rows = list(csv.reader(data.decode("utf-8").splitlines(keepends=True)))
if not data.endswith(b"\r\n") or rows[0][0] != "name" or ['Dogs, "Inc."' in r for r in rows].count(True) != 1:
    sys.exit("FAIL: partner export: %r" % rows)
PY
check "project add Copy" 0 "$zebhost" project add Copy
check "partner import" 0 "$zebhost" partner import --project Copy "$work/partners.csv"
"$zebhost" partner list --project Demo --format json | sed 's/"project": "Demo"/"project": "Copy"/' >"$work/a"
"$zebhost" partner list --project Copy --format json >"$work/b"
python3 -c 'import json, sys; a, b = (json.load(open(f)) for f in sys.argv[1:]); [r.update(found=False, link_text_found=False) for r in a]; sys.exit(a != b)' "$work/a" "$work/b" \
  || { echo "FAIL: export then import does not give the same partners"; failures=$((failures + 1)); }
exit $failures
