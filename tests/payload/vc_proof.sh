#!/usr/bin/env bash
# Proof that the Visual C++ libraries work in a Visual C++ program: it is
# compiled the way cl.exe compiles it (the Microsoft ABI, the generation's
# _MSC_VER, for 6.0 its wchar_t) against the payload's headers alone, and
# linked by lld-link through the header's #pragma comment(lib) alone (the
# library, user32 and shell32 are found on the library path, as in an SDK),
# with import libraries for the system DLLs and a C runtime that is not
# Microsoft's: Wine's for x64 (msvcrt, msvcr90 or ucrtbase by generation),
# made by llvm-dlltool for x86. x64 programs run under Wine and their
# window's pixels are checked; x86 ones run only where 32-bit code runs.
#
#   vc_proof.sh folder <lib_vc6|lib_vc2008/x86|...> <setup dir> <checker> <program> <startup>
#     both text kinds against one payload folder, each with the program and
#     with vc_abi_client.cpp, which calls the library as cl.exe's code does
#     where clang's would differ; then, linked only, the
#     program built with NO_STRICT, with /Zc:wchar_t- (2008 on), with /Gz
#     (x86), and the public types' layout compared under /Zp1 and /Zp2;
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

# The Windows import libraries under their SDK names, for #pragma comment.
for arch in x86 x64; do
  mkdir -p "$scratch/sdk-$arch"
  [ $arch = x64 ] && system=$wine_libs || system=/usr/i686-w64-mingw32/lib
  for dll in user32 shell32; do ln -s "$system/lib$dll.a" "$scratch/sdk-$arch/$dll.lib"; done
done
# cl.exe's /Zc:wchar_t- and 6.0's wchar_t.
no_wchar=(-Xclang -fno-wchar -include "$scratch/out/vc6_wchar.h")
target_x86=(--target=i686-pc-windows-msvc -D_X86_ -isystem /usr/i686-w64-mingw32/include)
target_x64=(--target=x86_64-pc-windows-msvc -isystem /usr/x86_64-w64-mingw32/include)

# build <generation> <arch> <include dir> <library dir> <a|w> <output> <program> [compiler switches]
build() {
  local generation=$1 arch=$2 include=$3 libdir=$4 kind=$5 out=$6 program=$7
  shift 7
  local flags=(-fgnuc-version=4.2.1 -fno-exceptions -nostdlibinc -O2 -isystem "$include")
  local crt link=(/nologo /subsystem:console /entry:mainCRTStartup "/libpath:$libdir"
    "/libpath:$scratch/sdk-$arch")
  case $generation in
    vc6) flags+=(-fms-compatibility-version=12.0 "${no_wchar[@]}"); crt=msvcrt ;;
    vc2008) flags+=(-fms-compatibility-version=15.0); crt=msvcr90 ;;
    vc2015) flags+=(-fms-compatibility-version=19.0); crt=ucrtbase ;;
  esac
  local -n target=target_$arch
  flags+=("${target[@]}")
  if [ "$arch" = x64 ]; then
    link+=("$wine_libs/libkernel32.a" "$wine_libs/lib$crt.a")
  else
    # The C functions the library, the start-up code and the programs call,
    # from the runtime's DLL.
    local names
    names=$({
      llvm-nm-19 "$libdir/Gravo$kind.lib" | awk '$1 == "U" && $2 !~ /^(__imp_|\?)/ { print substr($2, 2) }'
      printf '%s\n' malloc free exit puts strcat strlen strcmp __RTtypeid
    } | grep -vx _fltused | sort -u)
    printf 'LIBRARY %s.dll\nEXPORTS\n%s\n' "$crt" "$names" >"$out.def"
    llvm-dlltool-19 -m i386 -d "$out.def" -l "$out.crt.lib"
    link+=(/safeseh:no /usr/i686-w64-mingw32/lib/libkernel32.a "$out.crt.lib")
  fi
  [ "$kind" = a ] || flags+=(-DUNICODE -D_UNICODE)
  clang++-19 "${flags[@]}" "$@" -c "$program" -o "$out.obj"
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
    build "$generation" "$arch" "$setup/include" "$setup/$what" $kind "$scratch/out/proof_$kind.exe" "$source"
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

  variants=("a NO_STRICT")
  [ "$generation" = vc6 ] || variants+=("w /Zc:wchar_t-")
  [ "$arch" = x64 ] || variants+=("a /Gz" "w /Gz")
  for variant in "${variants[@]}"; do
    read -r kind switch <<<"$variant"
    case $switch in
      NO_STRICT) switches=(-DNO_STRICT) ;;
      /Zc:wchar_t-) switches=("${no_wchar[@]}") ;;
      /Gz) switches=(-mrtd) ;;
    esac
    build "$generation" "$arch" "$setup/include" "$setup/$what" "$kind" "$scratch/out/variant.exe" "$source" \
      "${switches[@]}"
  done
  # The layout table's bytes, as compiled under the packing given.
  layout() {
    local -n target=target_$arch
    clang++-19 "${target[@]}" -fgnuc-version=4.2.1 -nostdlibinc -isystem "$setup/include" \
      -Wno-invalid-offsetof "$@" -c "$(dirname "$0")/vc_layout.cpp" -o "$scratch/out/layout.obj"
    llvm-readobj-19 --hex-dump=gravolay "$scratch/out/layout.obj" | grep '^ *0x'
  }
  natural=$(layout)
  for pack in 1 2; do
    [ "$(layout -fpack-struct=$pack)" = "$natural" ] || fail "the public types' layout changes under /Zp$pack"
  done
  printf -v linked '%s, ' "${variants[@]}"
  echo "proof $what: linked with ${linked%, }; the layout is the same under /Zp1 and /Zp2"
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

build "$generation" x86 "$include" "$lib32" w "$scratch/out/installed_x86.exe" "$source"
run x86 "$scratch/out/installed_x86.exe" >/dev/null
if [ -n "$lib64" ]; then
  build "$generation" x64 "$include" "$lib64" w "$scratch/out/installed_x64.exe" "$source"
  run x64 "$scratch/out/installed_x64.exe" >/dev/null
fi

expect_result 卸载成功 uninstall-vc "$(windows_path "$root")" "$what"
expect_same_layout "$before" "$(snapshot "$scratch" out)"
echo "proof Visual C++ $what: installed, built against the installed directories, uninstalled"
