#!/usr/bin/env bash
# The project's test command: installs what is missing, configures, builds
# and runs every test suite (default build, AddressSanitizer + UBSan build,
# ThreadSanitizer build of the runtime's thread tests, a short fuzz pass).
#   scripts/test.sh            all of it
#   scripts/test.sh default    only the default build's tests (also: asan, tsan, fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

stages=("$@")
if [ ${#stages[@]} -eq 0 ]; then stages=(default asan tsan fuzz); fi

bash scripts/install-deps.sh
export ORDAVIX_SILENT=1
jobs=$(nproc)

# ThreadSanitizer of gcc 12 cannot map its shadow with the high ASLR entropy
# of recent kernels; running without address randomisation avoids that.
norandom() {
  if setarch "$(uname -m)" -R true 2>/dev/null; then setarch "$(uname -m)" -R "$@"; else "$@"; fi
}

for stage in "${stages[@]}"; do
  echo "=== stage: $stage"
  case "$stage" in
    default)
      cmake --preset default
      cmake --build --preset default -j"$jobs"
      ctest --preset default -j"$jobs" --timeout 600
      ;;
    asan)
      cmake --preset asan
      cmake --build --preset asan -j"$jobs"
      ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --preset asan -j"$jobs" --timeout 900
      ;;
    tsan)
      cmake --preset tsan
      cmake --build --preset tsan -j"$jobs"
      # Thread tests of the runtime and of the components carry the label "threads".
      TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
        norandom ctest --preset tsan -L threads -j"$jobs" --timeout 900 --no-tests=ignore
      ;;
    fuzz)
      if [ -x scripts/fuzz.sh ]; then
        FUZZ_SECONDS="${FUZZ_SECONDS:-60}" bash scripts/fuzz.sh
      fi
      ;;
    *)
      echo "unknown stage: $stage (default, asan, tsan, fuzz)" >&2
      exit 2
      ;;
  esac
done
