#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build folder and runs each for a few
# seconds. Exits 77 (reported by ctest as skipped) when clang or its fuzzer runtime is missing.
set -u
source_dir="$1"
build_dir="$2"
seconds="${ZEB_FUZZ_SECONDS:-4}"
if ! command -v clang++ >/dev/null; then
  echo "skipped: clang++ is not installed (scripts/install-deps.sh installs it)"
  exit 77
fi
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
  >"$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" 2>/dev/null; then
  echo "skipped: clang's fuzzer runtime is missing (package libclang-rt-14-dev)"
  exit 77
fi
set -e
cmake -S "$source_dir" -B "$build_dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DZEB_FUZZ=ON -DZEB_BUILD_TESTS=OFF -DZEB_WERROR=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets="fuzz_make_link_absolute fuzz_extract_links fuzz_keyword_density fuzz_robots"
cmake --build "$build_dir" -j2 --target $targets >/dev/null
artifacts="$build_dir/artifacts"
mkdir -p "$artifacts"
status=0
for target in $targets; do
  echo "== $target (${seconds}s)"
  if ! "$build_dir/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts/$target-" -print_final_stats=1 >"$artifacts/$target.log" 2>&1; then
    echo "$target found a failing input:"
    grep -E 'ERROR|SUMMARY|Test unit written' "$artifacts/$target.log" || tail -20 "$artifacts/$target.log"
    status=1
  fi
  grep -E 'stat::number_of_executed_units' "$artifacts/$target.log" || true
done
exit $status
