#!/usr/bin/env bash
# Builds the libPretrax fuzz target with clang++-14 (libFuzzer, ASan, UBSan)
# into build/fuzz/ and runs it over the seed corpus for FUZZ_SECONDS seconds.
# Exits non-zero on a finding; crash inputs land in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
out=build/fuzz
mkdir -p "$out/artifacts" "$out/corpus"

clang++-14 -std=c++20 -O1 -g -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -Wall -Wextra -Werror \
  -Ipretrax/src pretrax/src/*.cpp fuzz/pretrax_fuzz.cpp -o "$out/pretrax_fuzz"

# New inputs go to the build tree; the committed seeds stay as they are.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"$out/pretrax_fuzz" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$out/artifacts/" \
  "$out/corpus" fuzz/corpus/pretrax
