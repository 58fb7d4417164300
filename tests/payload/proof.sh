#!/usr/bin/env bash
# Proof that an install works: lays out a MinGW toolchain whose gcc answers
# like a real one (the stand-in replays a recorded gcc -v), installs the
# library into it through the wizard's own detection and install operations,
# compiles a program against only what the install put there with this
# machine's cross compiler, runs it under Wine and checks the pixels of its
# window, then uninstalls and expects the layout exactly as it was before.
#
#   proof.sh <case> <setup dir> <helpers dir> <recorded gcc -v dir> <checker> <program source>
#
# Cases, one per payload folder, each with a compiler this machine can link
# with against the folder's libraries:
#   devcpp  Dev-C++ 5.11 with its TDM-GCC 4.9.2 (multilib): lib_mingw_492,
#           into lib and lib32; the x86 build is linked with the i686 cross
#           compiler too (this machine cannot run 32-bit programs).
#   msvcrt  MinGW-W64 8.1.0 x86_64 posix-seh, chosen at its bin directory:
#           lib_mingw_msvcrt, into lib.
#   ucrt    MSYS2 UCRT64 gcc 12.2.0: lib_mingw_ucrt; the program is linked
#           against the UCRT import libraries instead of msvcrt.
set -euo pipefail
case_name=$1 setup=$2 helpers=$3 records=$4 checker=$5 source=$6
: "${GRAVO_WINE:?run through scripts/test}"

scratch="$GRAVO_BUILD_DIR/tests/payload/proof-$case_name-$$"
rm -rf "$scratch"
mkdir -p "$scratch/out"
trap 'rm -rf "$scratch"' EXIT

. "$(dirname "$0")/proof_support.sh"

# A toolchain root with the stand-in gcc and the directories of its kind.
toolchain() {
  local root=$1 record=$2 dll=$3
  shift 3
  mkdir -p "$root/bin"
  cp "$helpers/fake_gcc.exe" "$root/bin/gcc.exe"
  cp "$records/$record" "$root/bin/gcc-v.txt"
  printf MZ >"$root/bin/$dll"
  local dir
  for dir in include lib "$@"; do mkdir -p "$root/$dir"; done
  # Files of the toolchain's own that must survive install and uninstall.
  echo "/* the toolchain's own header */" >"$root/x86_64-w64-mingw32/include/toolchain_own.h"
  echo "!<arch>" >"$root/x86_64-w64-mingw32/lib/libtoolchain_own.a"
}

case $case_name in
  devcpp)
    mkdir -p "$scratch/Dev-Cpp"
    cp "$helpers/devcpp_5_11.exe" "$scratch/Dev-Cpp/devcpp.exe"
    toolchain "$scratch/Dev-Cpp/MinGW64" tdm64-4.9.2.txt libgcc_s_seh_64-1.dll \
      x86_64-w64-mingw32/include x86_64-w64-mingw32/lib x86_64-w64-mingw32/lib32
    chosen="$scratch/Dev-Cpp" kind=0 variant=lib_mingw_492
    target="$scratch/Dev-Cpp/MinGW64/x86_64-w64-mingw32"
    ;;
  msvcrt)
    toolchain "$scratch/mingw64" mingw-builds-8.1.0-x86_64-posix-seh.txt libgcc_s_seh-1.dll \
      x86_64-w64-mingw32/include x86_64-w64-mingw32/lib
    chosen="$scratch/mingw64/bin" kind=4 variant=lib_mingw_msvcrt
    target="$scratch/mingw64/x86_64-w64-mingw32"
    ;;
  ucrt)
    toolchain "$scratch/ucrt64" msys2-ucrt64-12.2.0.txt libgcc_s_seh-1.dll \
      x86_64-w64-mingw32/include x86_64-w64-mingw32/lib
    chosen="$scratch/ucrt64" kind=4 variant=lib_mingw_ucrt
    target="$scratch/ucrt64/x86_64-w64-mingw32"
    ;;
  *) fail "unknown case $case_name" ;;
esac
layout=$(dirname "$chosen")
[ "$case_name" = msvcrt ] || layout=$chosen

# The stand-in gcc's record of its own command line is not part of the
# toolchain.
before=$(snapshot "$layout" gcc-args.txt)

echo "== install"
report=$(expect_result 安装成功 install "$(windows_path "$chosen")" "$kind")
echo "$report"
grep -qx "variant $variant" <<<"$report" || fail "expected $variant"

# What the install put there is the payload, byte for byte.
cmp "$setup/include/gravo.h" "$target/include/gravo.h"
cmp "$setup/include/graphics.h" "$target/include/graphics.h"
for lib in libgravo.a libgravow.a; do
  cmp "$setup/$variant/x64/$lib" "$target/lib/$lib"
  if [ "$case_name" = devcpp ]; then
    cmp "$setup/$variant/x86/$lib" "$target/lib32/$lib"
  else
    [ ! -e "$target/lib32/$lib" ] || fail "a 64-bit-only toolchain got $lib in lib32"
  fi
done

# The program, against nothing but the toolchain's include and lib
# directories: once with ANSI texts and libgravo.a, once with UTF-16 texts
# and libgravow.a.
crt_flags=()
if [ "$case_name" = ucrt ]; then
  # The cross compiler's own driver settings (-dumpspecs) with the UCRT
  # import library in place of msvcrt's. Debian's static winpthreads is
  # built for msvcrt and refers to _setjmp, which the UCRT exports as
  # setjmp; no thread is started through it, the linker only needs the name.
  x86_64-w64-mingw32-gcc-posix -dumpspecs | sed 's/-lmsvcrt/-lucrt/g' >"$scratch/out/ucrt.gccspecs"
  crt_flags=(-D_UCRT -specs="$scratch/out/ucrt.gccspecs" -Wl,--defsym,_setjmp=setjmp)
fi
# build <compiler> <lib dir> <library> <output> [flags...]
build() {
  local compiler=$1 libdir=$2 library=$3 out=$4
  shift 4
  "$compiler" -Wall -Wextra -Werror -O2 -static "${crt_flags[@]}" "$@" -I "$target/include" \
    "$source" -L "$libdir" -l"$library" -o "$out"
}
echo "== compile"
build x86_64-w64-mingw32-g++-posix "$target/lib" gravo "$scratch/out/proof_ansi.exe"
build x86_64-w64-mingw32-g++-posix "$target/lib" gravow "$scratch/out/proof_wide.exe" -DUNICODE -D_UNICODE
if [ "$case_name" = devcpp ]; then
  build i686-w64-mingw32-g++-posix "$target/lib32" gravo "$scratch/out/proof_ansi_x86.exe"
  build i686-w64-mingw32-g++-posix "$target/lib32" gravow "$scratch/out/proof_wide_x86.exe" -DUNICODE -D_UNICODE
fi
# A program of one text kind does not link against the other kind's build.
if build x86_64-w64-mingw32-g++-posix "$target/lib" gravo "$scratch/out/mixed.exe" -DUNICODE 2>/dev/null; then
  fail "a UNICODE program linked against libgravo.a"
fi
imports=$(x86_64-w64-mingw32-objdump -p "$scratch/out/proof_wide.exe" | grep 'DLL Name' || true)
if [ "$case_name" = ucrt ]; then
  grep -qi 'api-ms-win-crt' <<<"$imports" && ! grep -qi 'msvcrt' <<<"$imports" || fail "not a UCRT program: $imports"
else
  grep -qi 'msvcrt.dll' <<<"$imports" || fail "not an msvcrt program: $imports"
fi

echo "== run"
bars=()
for program in proof_ansi proof_wide; do
  result=$("$GRAVO_WINE" "$checker" "$(windows_path "$scratch/out/$program.exe")") || {
    echo "$result"
    fail "$program did not draw its picture"
  }
  echo "$program: $result"
  bars+=("$(tr -d '\r' <<<"$result" | sed -n 's/^text-bar //p')")
done
[ "${bars[0]}" = "${bars[1]}" ] || fail "the ANSI and UTF-16 texts measure differently: ${bars[*]}"

echo "== uninstall"
expect_result 卸载成功 uninstall "$(windows_path "$chosen")" "$kind"
expect_same_layout "$before" "$(snapshot "$layout" gcc-args.txt)"
echo "proof $case_name: installed $variant, built, drew, uninstalled"
