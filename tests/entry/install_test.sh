#!/usr/bin/env bash
# cmake --install puts every piece where a Linux desktop expects it.   install_test.sh BUILD_DIR
set -u
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null || { echo "FAIL: install"; exit 1; }
failures=0
for file in bin/zebhost include/zebbot.h share/applications/zebbot.desktop \
            share/zebbot/help/880.html share/zebbot/help/885.html share/zebbot/help/890.html; do
  [ -e "$prefix/$file" ] || { echo "FAIL: $file is missing"; failures=$((failures + 1)); }
done
library="$(find "$prefix" -name libzebbot.so | head -1)"
[ -n "$library" ] || { echo "FAIL: libzebbot.so is missing"; failures=$((failures + 1)); }
pc="$(find "$prefix" -name zebbot.pc | head -1)"
[ -n "$pc" ] && grep -q "^Libs: .*-lzebbot" "$pc" || { echo "FAIL: zebbot.pc"; failures=$((failures + 1)); }
exit "$failures"
