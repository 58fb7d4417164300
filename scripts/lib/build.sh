# Sourced by scripts/test, scripts/run and scripts/bench: configures and
# builds one architecture. Every caller names the options it depends on
# (BUILD_TESTING above all), since the build trees are shared between the
# scripts and CMake keeps whatever the last configure left in its cache.
# gravo_configure <arch> <build dir> [extra cmake args...]
gravo_configure() {
  local arch=$1 dir=$2
  shift 2
  cmake -S "$gravo_root" -B "$dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$gravo_root/cmake/$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}
# gravo_build <arch> <build dir> [extra cmake args...]: configures, then
# builds everything of that tree.
gravo_build() {
  local arch=$1 dir=$2
  shift 2
  gravo_configure "$arch" "$dir" "$@"
  cmake --build "$dir" -- -k 0 --quiet
}
# Keeps going past a failed build so that every test that could be built
# still runs; the caller fails at the end if any build failed.
gravo_build_failed=0
gravo_build_keep_going() {
  local dir=$2
  gravo_configure "$@" || { gravo_build_failed=1; return; }
  cmake --build "$dir" -- -k 0 --quiet || gravo_build_failed=1
}
