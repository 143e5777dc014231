#!/usr/bin/env bash
# cmake --install puts zebhost's manual page where man finds it and its bash completion where
# bash-completion looks; the page renders without warnings and names every command and option
# of the help texts; the completion completes commands, options and --format's choices.
#   zebhost_install_test.sh BUILD_DIR
set -u
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" > /dev/null || { echo "FAIL: install"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
page="$prefix/share/man/man1/zebhost.1"
completion="$prefix/share/bash-completion/completions/zebhost"
[ -f "$page" ] || fail "the manual page is not at share/man/man1/zebhost.1"
[ -f "$completion" ] || fail "the completion is not at share/bash-completion/completions/zebhost"
[ "$failures" -eq 0 ] || exit "$failures"

# man -l renders the page; groff's warnings (all of them) go to stderr, which must stay empty.
MANWIDTH=80 man --warnings=w -E UTF-8 -l "$page" >"$work/page" 2>"$work/warnings" || fail "man -l"
[ -s "$work/warnings" ] && { fail "man -l warns:"; cat "$work/warnings"; }
grep -q '^NAME' "$work/page" && grep -q '^COMMANDS' "$work/page" || fail "the page lacks its sections"
# Every command's usage from --help is in the page, with every option it names.
zebhost="$prefix/bin/zebhost"
for path in "" project "project add" "partner edit" "partner show" "partner export" \
            "settings list" check demo; do
  # shellcheck disable=SC2086
  usage="$("$zebhost" $path --help | sed -n 's/^Usage: //p')"
  [ -n "$usage" ] || { fail "zebhost $path --help has no usage"; continue; }
  for word in $(echo "$usage" | grep -o -- '--[a-z-]*'); do
    grep -q -- "$word" "$work/page" || fail "the page lacks $word of zebhost $path"
  done
done

# The weekly check's systemd units, shipped as examples: the service runs the installed zebhost
# with --fail-on-change, the timer starts it weekly; systemd reads both without complaint.
units="$prefix/share/doc/zebbot/examples/systemd"
service="$units/zebbot-check.service"
[ -f "$service" ] && [ -f "$units/zebbot-check.timer" ] || fail "the systemd units are not in $units"
grep -q '^ExecStart=/.*/zebhost check --project \${ZEB_PROJECT} --all --fail-on-change$' "$service" ||
  fail "the service does not run zebhost check --fail-on-change"
grep -q '^OnCalendar=Mon ' "$units/zebbot-check.timer" || fail "the timer is not weekly"
if command -v systemd-analyze > /dev/null; then
  mkdir -p "$work/units"
  sed "s|^ExecStart=[^ ]*|ExecStart=$zebhost|" "$service" > "$work/units/zebbot-check.service"
  cp "$units/zebbot-check.timer" "$work/units/"
  systemd-analyze verify "$work/units/zebbot-check.timer" "$work/units/zebbot-check.service" \
    > "$work/verify" 2>&1 || { fail "systemd-analyze verify:"; cat "$work/verify"; }
fi

# The completion, as bash calls it: COMP_WORDS and COMP_CWORD in, COMPREPLY out.
complete_words() {  # complete_words WORD... (the last is the one being completed)
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _zebhost
           [ ${#COMPREPLY[@]} -eq 0 ] || printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" zebhost "$@" | sort | tr '\n' ' '
}
expect() {  # expect "REPLY" WORD...
  local want="$1" got
  shift
  got="$(complete_words "$@")"
  [ "$got" = "$want" ] || fail "completing '$*': got '$got', wanted '$want'"
}
expect "partner project " p
expect "project " pro
expect "add edit export import list remove show " partner ""
expect "--link-text " partner edit --project P --li
expect "csv json table " partner list --format ""
expect "csv " project list --format c
expect "--network " settings set --net
expect "" partner add --name ""
mkdir -p "$work/dir/sub" && touch "$work/dir/file.csv"
expect "$work/dir/sub " init --data "$work/dir/s"
expect "$work/dir/file.csv " partner import --project P "$work/dir/f"
exit "$failures"
