#!/bin/bash
# The tree shows the libraries: only window/ folders (zebgui and its tests) and the plug-in's
# entry/ may include a Qt header; nothing widget-free includes a file from a window/ folder; a
# view's window never includes the console's window; the windows open no database themselves
# (they read through the widget-free sources).
# Usage: layering_test.sh SOURCE_DIR
cd "$1" || exit 1
status=0
files=$(find src tools tests bench fuzz -name '*.h' -o -name '*.cpp' -o -name '*.c' | sort)
for f in $files; do
  case "$f" in
    */window/*|src/entry/*) ;;
    *)
      if grep -nE '^\s*#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]+/)' "$f"; then
        echo "$f: a Qt header outside a window/ folder"; status=1
      fi
      if grep -nE '^\s*#\s*include\s*"[^"]*/window/' "$f"; then
        echo "$f: a window/ file included from widget-free code"; status=1
      fi ;;
  esac
  case "$f" in
    src/*/window/*|tools/*/window/*)
      if grep -nE '\b(OpenDataFolder|AppTables|WorkTables)\s*\(|\bSession\s+[a-z_]+\s*[({=]' "$f"; then
        echo "$f: a window opens the database"; status=1
      fi ;;
  esac
  case "$f" in
    src/views/*|tests/views/*)
      if grep -nE '^\s*#\s*include\s*"console/window/' "$f"; then
        echo "$f: the views use the console's window"; status=1
      fi ;;
  esac
done
[ $status = 0 ] && echo "layering: $(echo "$files" | wc -l) files checked"
exit $status
