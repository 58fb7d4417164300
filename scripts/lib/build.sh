# Sourced by scripts/test, scripts/run and scripts/bench: configures and
# builds one architecture. The scripts share the build trees and CMake keeps
# whatever the last configure left in its cache, so every caller names the
# options it depends on (BUILD_TESTING above all).
# gravo_configure <arch> <build dir> [extra cmake args...]
gravo_configure() {
  local arch=$1 dir=$2
  shift 2
  cmake -S "$gravo_root" -B "$dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$gravo_root/cmake/$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}
# Builds a configured tree, keeping going past a failed build so that every
# test that could be built still runs; the caller fails at the end if any
# build failed. gravo_build_keep_going <build dir> [targets...]
gravo_build_failed=0
gravo_build_keep_going() {
  local dir=$1 targets=()
  shift
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake --build "$dir" "${targets[@]}" -- -k 0 --quiet || gravo_build_failed=1
}
