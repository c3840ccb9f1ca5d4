#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Parvane 2 and runs it or its tests.
#   ./parvane2.sh run [ARGS...]   install, build and start the program
#   ./parvane2.sh test            install, build and run every test
set -euo pipefail
cd "$(dirname "$0")"
# Build folders of other clones and work trees share the compiler cache.
export CCACHE_BASEDIR="$PWD"

PACKAGES=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-multimedia-dev qt6-webengine-dev
  libpcre2-dev zlib1g-dev
  libxcb1-dev libxcb-keysyms1-dev
  xvfb xauth xdotool x11-utils openbox trayer fonts-noto-cjk fonts-ipafont-gothic qt6-translations-l10n iproute2 util-linux
  xdg-utils
  clang libclang-rt-14-dev clang-format ccache
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${PACKAGES[@]}" >/dev/null
}

build() {
  mkdir -p build
  if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >build/configure.log 2>&1 ||
      { cat build/configure.log >&2; exit 1; }
  fi
  cmake --build build --parallel "$(nproc)" >build/build.log 2>&1 || { cat build/build.log >&2; exit 1; }
}

# The fuzz targets: clang with its fuzzer and sanitizers, in a build folder of their own.
build_fuzz() {
  mkdir -p build-fuzz
  if [ ! -f build-fuzz/build.ninja ]; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DPARVANE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      >build-fuzz/configure.log 2>&1 || { cat build-fuzz/configure.log >&2; exit 1; }
  fi
  cmake --build build-fuzz --parallel "$(nproc)" >build-fuzz/build.log 2>&1 ||
    { cat build-fuzz/build.log >&2; exit 1; }
}

# Every tracked C++ file is laid out as the repository's .clang-format says.
check_format() {
  local unformatted=()
  while IFS= read -r -d '' f; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
  done < <(git ls-files -z '*.cpp' '*.h' 2>/dev/null)
  if [ ${#unformatted[@]} -ne 0 ]; then
    echo "Not formatted with clang-format (run: clang-format -i FILE):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
  fi
}

case "${1:-}" in
  run)
    shift
    install_packages
    build
    if [ ! -x build/bin/parvane2 ]; then
      echo "build/bin/parvane2 does not exist yet." >&2
      exit 1
    fi
    exec build/bin/parvane2 "$@"
    ;;
  test)
    install_packages
    check_format
    build
    build_fuzz
    # The seeds and kept regressions replayed, then a bounded fuzz of each target.
    fuzz/fuzz.sh build-fuzz "${PARVANE_FUZZ_SECONDS:-60}"
    cd build
    # On CI every test must run: CTest counts a skipped or disabled test as no
    # failure, so its list of tests that did not run fails the run here.
    ctest --output-on-failure --parallel "$(nproc)" 2>&1 | tee ctest.log
    status=${PIPESTATUS[0]}
    if [ "${CI:-}" = true ] && grep -q "The following tests did not run" ctest.log; then
      echo "CI=true: some tests did not run (above); every test must run." >&2
      exit 1
    fi
    exit "$status"
    ;;
  *)
    echo "usage: $0 run [ARGS...] | test" >&2
    exit 2
    ;;
esac
