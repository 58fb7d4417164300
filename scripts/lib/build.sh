# Sourced by scripts/test and scripts/run: configures and builds one
# architecture. gravo_build <arch> <build dir> [extra cmake args...]
gravo_build() {
  local arch=$1 dir=$2
  shift 2
  cmake -S "$gravo_root" -B "$dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$gravo_root/cmake/$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$dir" -- -k 0 --quiet
}
# Keeps going past a failed build so that every test that could be built
# still runs; the caller fails at the end if any build failed.
gravo_build_failed=0
gravo_build_keep_going() {
  gravo_build "$@" || gravo_build_failed=1
}
