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
check "no arguments" 2 "$zebhost"
check "bot without a desktop" 2 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$zebhost" bot
grep -q '^zebhost: the console needs a desktop' "$work/err" || { echo "FAIL: no desktop hint"; failures=$((failures + 1)); }
[ -f "$work/data/zeb.sqlite" ] || { echo "FAIL: no database"; failures=$((failures + 1)); }
exit $failures
