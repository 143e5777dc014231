#!/usr/bin/env bash
# cmake --install puts every piece where a Linux desktop expects it, and a C host built through
# the installed pkg-config file links against the installed library and works.
#   install_test.sh BUILD_DIR SOURCE_DIR C_COMPILER
set -u
build="$1" source="$2" cc="$3"
work="$(mktemp -d)"
prefix="$work/prefix"
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null || { echo "FAIL: install"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for file in bin/zebhost include/zebbot.h share/applications/zebbot.desktop \
            share/zebbot/help/880.html share/zebbot/help/885.html share/zebbot/help/890.html; do
  [ -e "$prefix/$file" ] || fail "$file is missing"
done
library="$(find "$prefix" -name libzebbot.so | head -1)"
[ -n "$library" ] || fail "libzebbot.so is missing"
pc="$(find "$prefix" -name zebbot.pc | head -1)"
[ -n "$pc" ] && grep -q "^Libs: .*-lzebbot" "$pc" || { fail "zebbot.pc"; exit "$failures"; }

# The host, built as a user of the installed package would build it.
export PKG_CONFIG_PATH="$(dirname "$pc")"
flags="$(pkg-config --cflags --libs zebbot)" || fail "pkg-config zebbot"
libdir="$(realpath "$(pkg-config --variable=libdir zebbot)")"
[ "$libdir" = "$(realpath "$(dirname "$library")")" ] \
  || fail "zebbot.pc names $libdir, not the installed library's folder"
# shellcheck disable=SC2086
"$cc" -std=c11 -Wall -Wextra -DZEB_LINKED -o "$work/host" "$source/tests/entry/c_host.c" \
  $flags -Wl,-rpath,"$libdir" -pthread || { fail "the host does not build"; exit "$failures"; }
loaded="$(ldd "$work/host" | awk '$1 == "libzebbot.so" {print $3}')"
[ -n "$loaded" ] && [ "$(realpath "$loaded")" = "$(realpath "$library")" ] \
  || fail "the host does not load the installed library"

export XDG_RUNTIME_DIR="$work/run" ZEB_SETTINGS_FILE="$work/settings.ini" QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$prefix/bin/zebhost" init --data "$work/data" --exe "$work/exe" > /dev/null || fail "init"
"$prefix/bin/zebhost" project add Demo > /dev/null || fail "project add"
"$work/host" - strings || fail "string lists through the installed library"
"$work/host" - locked || fail "locks through the installed library"
"$work/host" - closes 1 analysis 0 Demo 2> /dev/null || fail "the analysis through the installed library"

# The desktop entry's command, run from the installed bin folder, opens the host window.
python3 "$source/tests/entry/desktop_entry_start.py" "$prefix" \
  "$prefix/share/applications/zebbot.desktop" 2> "$work/gui.err" \
  || { fail "the desktop entry does not start the host window"; cat "$work/gui.err"; }
grep -q '^\[HostWindow\]' "$work/exe/FORM.INI" 2> /dev/null \
  || fail "the host window did not keep its placement (it did not open and close)"
exit "$failures"
