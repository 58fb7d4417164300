#!/usr/bin/env bash
# Proof that the Visual C++ libraries work in a Visual C++ program: it is
# compiled the way cl.exe compiles it (the Microsoft ABI, the generation's
# _MSC_VER, for 6.0 its wchar_t) against the payload's headers alone, and
# linked by lld-link through the header's #pragma comment(lib) alone, with
# import libraries for the system DLLs and a C runtime that is not
# Microsoft's: Wine's for x64 (msvcrt, msvcr90 or ucrtbase by generation),
# made by llvm-dlltool for x86. x64 programs run under Wine and their
# window's pixels are checked; x86 ones run only where 32-bit code runs.
#
#   vc_proof.sh folder <lib_vc6|lib_vc2008/x86|...> <setup dir> <checker> <program> <startup>
#     both text kinds against one payload folder, each with the program and
#     with vc_abi_client.cpp, which calls the library as cl.exe's code does
#     where clang's would differ;
#   vc_proof.sh install <6|2010|2022> <setup dir> <checker> <program> <startup> <fake cl dir>
#     the wizard's detection and installVc into that version's layout, a
#     UTF-16 program per installed library directory, then uninstall, which
#     must leave the layout as it was.
set -euo pipefail
mode=$1 what=$2 setup=$3 checker=$4 source=$5 startup=$6
: "${GRAVO_WINE:?run through scripts/test}"
wine_libs=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

scratch="$GRAVO_BUILD_DIR/tests/payload/vc-proof-$mode-${what//\//-}-$$"
rm -rf "$scratch"
mkdir -p "$scratch/out"
trap 'rm -rf "$scratch"' EXIT
. "$(dirname "$0")/proof_support.sh"
# As Visual C++ 6.0's own headers declare it.
echo 'typedef unsigned short wchar_t;' >"$scratch/out/vc6_wchar.h"

# build <generation> <arch> <include dir> <library dir> <a|w> <output> [<program>]
build() {
  local generation=$1 arch=$2 include=$3 libdir=$4 kind=$5 out=$6 program=${7:-$source}
  local flags=(-fgnuc-version=4.2.1 -fno-exceptions -nostdlibinc -O2 -isystem "$include")
  local crt link=(/nologo /subsystem:console /entry:mainCRTStartup "/libpath:$libdir")
  case $generation in
    vc6) flags+=(-fms-compatibility-version=12.0 -Xclang -fno-wchar -include "$scratch/out/vc6_wchar.h"); crt=msvcrt ;;
    vc2008) flags+=(-fms-compatibility-version=15.0); crt=msvcr90 ;;
    vc2015) flags+=(-fms-compatibility-version=19.0); crt=ucrtbase ;;
  esac
  if [ "$arch" = x64 ]; then
    flags+=(--target=x86_64-pc-windows-msvc -isystem /usr/x86_64-w64-mingw32/include)
    link+=("$wine_libs/libkernel32.a" "$wine_libs/libuser32.a" "$wine_libs/libshell32.a" "$wine_libs/lib$crt.a")
  else
    flags+=(--target=i686-pc-windows-msvc -D_X86_ -isystem /usr/i686-w64-mingw32/include)
    # The C functions the library, the start-up code and the programs call,
    # from the runtime's DLL.
    local names
    names=$({
      llvm-nm-19 "$libdir/Gravo$kind.lib" | awk '$1 == "U" && $2 !~ /^(__imp_|\?)/ { print substr($2, 2) }'
      printf '%s\n' malloc free exit puts strcat strlen strcmp __RTtypeid
    } | grep -vx _fltused | sort -u)
    printf 'LIBRARY %s.dll\nEXPORTS\n%s\n' "$crt" "$names" >"$out.def"
    llvm-dlltool-19 -m i386 -d "$out.def" -l "$out.crt.lib"
    link+=(/safeseh:no /usr/i686-w64-mingw32/lib/libkernel32.a /usr/i686-w64-mingw32/lib/libuser32.a
      /usr/i686-w64-mingw32/lib/libshell32.a "$out.crt.lib")
  fi
  [ "$kind" = a ] || flags+=(-DUNICODE -D_UNICODE)
  clang++-19 "${flags[@]}" -c "$program" -o "$out.obj"
  clang++-19 "${flags[@]}" -c "$startup" -o "$out.startup.obj"
  lld-link-19 "${link[@]}" "/out:$out" "$out.obj" "$out.startup.obj"
  local want=$crt.dll
  llvm-readobj-19 --coff-imports "$out" | grep -qix " *Name: $want" || fail "$out does not import $want"
}

# runs <arch>: whether programs of that architecture run on this machine.
runs() {
  [ "$1" = x64 ] || [ "$GRAVO_TEST_ARCH" = i686 ] && return
  echo "linked only (this machine runs no 32-bit code)" >&2
  return 1
}

# run <arch> <program>: prints the text bar's length.
run() {
  local arch=$1 program=$2 result
  runs "$arch" || return 0
  result=$("$GRAVO_WINE" "$checker" "$(windows_path "$program")") || { echo "$result" >&2; fail "$program did not draw its picture"; }
  tr -d '\r' <<<"$result" | sed -n 's/^text-bar //p'
}

generation_of() { case $1 in lib_vc6*|6) echo vc6 ;; lib_vc2008*|2010) echo vc2008 ;; *) echo vc2015 ;; esac; }

if [ "$mode" = folder ]; then
  generation=$(generation_of "$what")
  arch=${what##*/}
  [ "$arch" = lib_vc6 ] && arch=x86
  bars=()
  for kind in a w; do
    build "$generation" "$arch" "$setup/include" "$setup/$what" $kind "$scratch/out/proof_$kind.exe"
    bar=$(run "$arch" "$scratch/out/proof_$kind.exe")
    bars+=("$bar")
    build "$generation" "$arch" "$setup/include" "$setup/$what" $kind "$scratch/out/abi_$kind.exe" \
      "$(dirname "$0")/vc_abi_client.cpp"
    if runs "$arch"; then
      "$GRAVO_WINE" "$scratch/out/abi_$kind.exe" || fail "abi_$kind.exe: the library's classes misbehave"
    fi
  done
  [ "${bars[0]}" = "${bars[1]}" ] || fail "the ANSI and UTF-16 texts measure differently: ${bars[*]}"
  echo "proof $what: both text kinds linked${bars[0]:+ and drew (text bar ${bars[0]})}"
  exit 0
fi

[ "$mode" = install ] || fail "unknown mode $mode"
fake_cl=$7
root="$scratch/Microsoft Visual Studio"
case $what in
  6)
    vc="$root/VC98"
    mkdir -p "$vc/bin" "$vc/Include" "$vc/Lib"
    cp "$fake_cl/cl_12_0.exe" "$vc/bin/cl.exe"
    include="$vc/Include" lib32="$vc/Lib" lib64=
    ;;
  2010)
    vc="$root/VC"
    mkdir -p "$vc/bin" "$vc/include" "$vc/lib/amd64"
    cp "$fake_cl/cl_16_0.exe" "$vc/bin/cl.exe"
    include="$vc/include" lib32="$vc/lib" lib64="$vc/lib/amd64"
    ;;
  2022)
    root="$scratch/Microsoft Visual Studio/2022/Community"
    vc="$root/VC"
    mkdir -p "$vc/Tools/MSVC/14.38.33130/bin/Hostx86/x86" "$vc/Auxiliary/VS/include" \
      "$vc/Auxiliary/VS/lib/x86" "$vc/Auxiliary/VS/lib/x64"
    cp "$fake_cl/cl_19_30.exe" "$vc/Tools/MSVC/14.38.33130/bin/Hostx86/x86/cl.exe"
    include="$vc/Auxiliary/VS/include" lib32="$vc/Auxiliary/VS/lib/x86" lib64="$vc/Auxiliary/VS/lib/x64"
    ;;
  *) fail "unknown version $what" ;;
esac
# Files of the installation's own that must survive install and uninstall.
echo "/* the installation's own header */" >"$include/windows_own.h"
echo "!<arch>" >"$lib32/own.lib"
before=$(snapshot "$scratch" out)
expect_result 安装成功 install-vc "$(windows_path "$root")" "$what"

generation=$(generation_of "$what")
folder=lib_$generation
cmp "$setup/include/gravo.h" "$include/gravo.h"
cmp "$setup/include/graphics.h" "$include/graphics.h"
for name in Gravoa.lib Gravow.lib; do
  if [ "$what" = 6 ]; then
    cmp "$setup/lib_vc6/$name" "$lib32/$name"
  else
    cmp "$setup/$folder/x86/$name" "$lib32/$name"
    cmp "$setup/$folder/x64/$name" "$lib64/$name"
  fi
done

build "$generation" x86 "$include" "$lib32" w "$scratch/out/installed_x86.exe"
run x86 "$scratch/out/installed_x86.exe" >/dev/null
if [ -n "$lib64" ]; then
  build "$generation" x64 "$include" "$lib64" w "$scratch/out/installed_x64.exe"
  run x64 "$scratch/out/installed_x64.exe" >/dev/null
fi

expect_result 卸载成功 uninstall-vc "$(windows_path "$root")" "$what"
expect_same_layout "$before" "$(snapshot "$scratch" out)"
echo "proof Visual C++ $what: installed, built against the installed directories, uninstalled"
