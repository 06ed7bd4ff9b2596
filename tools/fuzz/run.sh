#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, ASan and UBSan in build-fuzz
# and runs each for the given number of seconds, two at a time, at the lowest
# priority. New inputs go to build-fuzz/corpus/<target>; an input that breaks
# something is kept as build-fuzz/findings/<target>/crash-* (minimise it with
# -minimize_crash=1 and commit it under tests/data/fuzz/<target>/).
#
#   tools/fuzz/run.sh [seconds per target] [target ...]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-900}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(mime_message header_text japanese_text record_file ini_file pop3_replies html_text)
fi

# A fresh machine: the project's packages, then clang (libFuzzer comes with it).
if ! command -v clang++ >/dev/null; then
  scripts/install-deps.sh
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y clang
fi

build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DFENNICK_FUZZ=ON \
  ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER}
cmake --build "$build" -j 2 --target "${targets[@]/%/_fuzzer}"

# Scratch files of every input go to memory when it is there.
scratch=$(mktemp -d "${FENNICK_FUZZ_TMP:-/dev/shm}/fennick-fuzz.XXXXXX" 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT

seeds_of() {
  case $1 in
    mime_message) echo tests/data/fuzz/mime_message tests/data/mail tools/demo ;;
    *) echo "tests/data/fuzz/$1" ;;
  esac
}
max_len_of() {
  case $1 in
    record_file) echo 70000 ;; # two mail records and a part of a third
    mime_message | html_text) echo 65536 ;;
    *) echo 16384 ;;
  esac
}

run_one() {
  local target=$1
  mkdir -p "$build/corpus/$target"
  rm -rf "$build/findings/$target" && mkdir -p "$build/findings/$target"
  # shellcheck disable=SC2046
  TMPDIR=$scratch ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    nice -n 19 "$build/tools/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -max_len="$(max_len_of "$target")" -artifact_prefix="$build/findings/$target/" -print_final_stats=1 \
    "$build/corpus/$target" $(seeds_of "$target") >"$build/findings/$target.log" 2>&1 &&
    echo "$target: no finding in $seconds s" || echo "$target: FINDING, see $build/findings/$target.log"
}

# Two at a time: the machine is shared.
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  run_one "${targets[i]}" &
  if ((i + 1 < ${#targets[@]})); then run_one "${targets[i + 1]}" & fi
  wait
done

# Fails when any target kept an input that broke something.
for target in "${targets[@]}"; do
  if [ -n "$(ls -A "$build/findings/$target")" ]; then exit 1; fi
done
