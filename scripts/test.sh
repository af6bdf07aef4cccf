#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
#   native (g++), sanitizers (ASan + UBSan), Windows x86_64 under Wine, Windows i686 (built and
#   inspected: it cannot run here), and a short run of the fuzzers.
# Ends with one line: "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh || { echo "test: set-up failed" >&2; exit 1; }

build_type=RelWithDebInfo
passed=0
failed=0
failures=()

note() { printf '\n== %s\n' "$*"; }
fail() { failed=$((failed + 1)); failures+=("$1"); }

# configure NAME [CMAKE ARGS...]: configure and build build/NAME; a failed build counts as a failure.
configure_and_build() {
  local name=$1; shift
  note "building $name"
  if cmake -S . -B "build/$name" -G Ninja -DCMAKE_BUILD_TYPE=$build_type "$@" >"build/$name.configure.log" 2>&1 &&
     ninja -C "build/$name"; then
    return 0
  fi
  [ -f "build/$name.configure.log" ] && tail -20 "build/$name.configure.log"
  fail "build of $name"
  return 1
}

# run_ctest NAME [WRAPPER...]: runs the tests of build/NAME and adds up what ctest reports.
run_ctest() {
  local name=$1; shift
  note "testing $name"
  local log="build/$name.ctest.log"
  "$@" ctest --test-dir "build/$name" --output-on-failure -j2 2>&1 | tee "$log"
  local summary
  summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$summary" ]; then
    fail "ctest of $name (no summary: no tests found, or ctest failed)"
    return
  fi
  local bad total
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$summary")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  ((bad == 0)) || failures+=("$bad test(s) of $name")
}

mkdir -p build

if configure_and_build native; then run_ctest native; fi
if configure_and_build asan -DKAVRIN_SANITIZE=ON; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 run_ctest asan
fi
if configure_and_build win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake; then
  run_ctest win64 scripts/with-xvfb.sh
fi
if configure_and_build win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake; then
  note "checking the shipped 32-bit program"
  exe=build/win32/src/app/Kavrin.exe
  if [ -f "$exe" ] && file "$exe" | grep -q 'PE32 executable (GUI) Intel 80386'; then
    echo "$(file "$exe")"
    passed=$((passed + 1))
  else
    echo "not a 32-bit GUI program: $exe: $(file "$exe" 2>&1)"
    fail "32-bit Kavrin.exe"
  fi
fi
if configure_and_build fuzz -DKAVRIN_FUZZ=ON -DKAVRIN_TESTS=OFF \
     -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++; then
  note "fuzzing briefly"
  if bash scripts/fuzz.sh build/fuzz "${KAVRIN_FUZZ_SECONDS:-30}"; then
    passed=$((passed + 1))
  else
    fail "fuzzing"
  fi
fi

echo
for f in "${failures[@]}"; do echo "FAILED: $f"; done
echo "$passed passed, $failed failed"
((failed == 0))
