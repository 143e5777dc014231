#!/usr/bin/env bash
# Builds the test suite with a sanitizer and runs it: sanitize.sh thread|address [GTEST_FILTER]
# ThreadSanitizer runs the tests where threads meet (the crawl, the run controller, the tables);
# AddressSanitizer with UBSan runs all of them.
set -euo pipefail
mode="${1:?usage: sanitize.sh thread|address [filter]}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/${BUILD_DIR:-build}/sanitize-$mode"
case "$mode" in
  thread) filter="${2:-Crawl*:RunController*:Dispatcher*:*Concurrency*:WorkTables*:ZebhostTest.Check*:ZebhostTest.Demo*:ZebhostTest.AFullDisk*:ZebhostParallel*:ZebhostReport*:LinkVerdictCrawl*:HttpClient*:RobotsCheck*:ModernWeb*:HostGate*:LoopbackTls*}" ;;
  address) filter="${2:-*}" ;;
  *) echo "sanitize.sh: unknown mode $mode (thread, address)" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$build" -DZEB_SANITIZE="$mode" -DZEB_BUILD_BENCH=OFF -DZEB_WERROR=ON \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" -j2 --target zeb_tests zeb_gui_tests zebhost zeb_c_host
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
export ASAN_OPTIONS="detect_leaks=1 halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1"
cd "$build/tests"
./zeb_tests --gtest_filter="$filter" --gtest_brief=1
# The windows: the console's run serves the crawl threads from the Qt event loop. Qt itself is
# not instrumented: ThreadSanitizer looks at our code's accesses only.
TSAN_OPTIONS="$TSAN_OPTIONS ignore_noninstrumented_modules=1" QT_QPA_PLATFORM=offscreen \
  ./zeb_gui_tests --gtest_filter="${2:-*}" --gtest_brief=1
# The plug-in in a plain C host: with AddressSanitizer, LeakSanitizer also checks that the
# library frees the partner list it was handed.
if [ "$mode" = address ]; then
  bash "$root/tests/entry/c_host_test.sh" ./zeb_c_host ../src/libzebbot.so ../tools/zebhost/zebhost
fi
