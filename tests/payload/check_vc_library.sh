#!/usr/bin/env bash
# The Visual C++ archives link into every project their generation makes,
# whichever runtime it picks (static or DLL, Debug or Release): each names
# no default library, defines only its own symbols (no out-of-line copy of a
# runtime function, no operator new or delete) and needs from outside only
# Windows imports and what every runtime of its generation has, in static
# and DLL form alike, as Microsoft documents them:
#   lib_vc6     Visual C++ 6.0: scalar operator new and delete only, its
#               low-level I/O (_open, _dup2, _close) in place of stream data,
#               and wchar_t decorated as unsigned short;
#   lib_vc2008  2008 to 2013: array new and delete, streams through
#               __iob_func; no thread-safe statics or sized delete (2015);
#   lib_vc2015  2015 to 2026: the Universal CRT's __acrt_iob_func;
# and in each the vftable of type_info, which RTTI descriptors point at. Each build
# holds its own kind of text functions only, and each public class with a
# virtual destructor has RTTI and a vector deleting destructor, as cl.exe
# makes them. The archives are laid out as lib.exe lays them out (two linker
# members, then the long names) and hold only sections Microsoft's tools
# know.
#   check_vc_library.sh <payload dir>
set -uo pipefail
payload=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
polymorphic=$(grep -oE 'virtual ~[A-Z_]+' "$payload/include/gravo.h" | cut -c10-)
[ -n "$polymorphic" ] || fail "no class with a virtual destructor in gravo.h"

# The names of the first three members of an archive.
first_members() {
  local offset=8 n size
  for n in 1 2 3; do
    dd if="$1" bs=1 skip=$offset count=16 status=none | tr -d ' '
    echo
    size=$(dd if="$1" bs=1 skip=$((offset + 48)) count=10 status=none)
    offset=$((offset + 60 + size + size % 2))
  done
}

# allowed_imports <generation>: the Windows functions (vc_windows_imports.txt)
# that the folders of that generation may import.
imports=$(dirname "$0")/vc_windows_imports.txt
allowed_imports() {
  awk -v generation="$1" '/^#/ || NF < 3 { next }
    $1 == generation { reached = 1 } reached && $1 != generation { exit }
    { for (i = 3; i <= NF; i++) print $i }' "$imports"
}
# Each function listed is a function of the DLL it is listed under.
declare -A exports
while read -r generation dll names; do
  [[ -z $generation || $generation == \#* ]] && continue
  [ -n "${exports[$dll]:-}" ] ||
    exports[$dll]=" $(llvm-nm-19 "/usr/x86_64-w64-mingw32/lib/lib$dll.a" | awk '$2 == "I" { printf "%s ", $3 }')"
  for name in $names; do
    [[ ${exports[$dll]} == *" __imp_$name "* ]] || fail "vc_windows_imports.txt: $dll.dll has no $name"
  done
done <"$imports"

c_functions="_fltused cos sin exit fclose memcpy memmove memset wcscpy wcslen wcsncmp wcsncpy wcsrchr"
checked=0
for folder in lib_vc6 lib_vc2008/x86 lib_vc2008/x64 lib_vc2015/x86 lib_vc2015/x64; do
  case $folder in
    */x64) size=_K pointer=PEAX ;;
    *) size=I pointer=PAX ;;
  esac
  new_delete="??2@YA${pointer}${size}@Z ??3@YAX${pointer}@Z"
  array="??_U@YA${pointer}${size}@Z ??_V@YAX${pointer}@Z"
  generation=${folder%%/*}
  windows=" $(allowed_imports "${generation#lib_}" | tr '\n' ' ') "
  case $folder in
    lib_vc6) allowed="$c_functions _open _dup2 _close $new_delete" ;;
    lib_vc2008/*) allowed="$c_functions freopen __iob_func $new_delete $array" ;;
    lib_vc2015/*) allowed="$c_functions freopen __acrt_iob_func $new_delete $array" ;;
  esac
  allowed+=" ??_7type_info@@6B@"
  for name in Gravoa.lib Gravow.lib; do
    archive=$payload/$folder/$name
    [ -e "$archive" ] || { fail "$folder/$name missing"; continue; }
    checked=$((checked + 1))
    defined=$(llvm-nm-19 -g --defined-only "$archive" | awk 'NF == 3 { print $3 }' | sort -u)
    undefined=$(llvm-nm-19 -g "$archive" | awk '$1 == "U" { print $2 }' | sort -u)
    for symbol in $(comm -23 <(echo "$undefined") <(echo "$defined")); do
      plain=$symbol
      # 32-bit C names carry one more leading underscore.
      [[ $folder != */x64 && $plain == _* ]] && plain=${plain#_}
      case " $allowed " in *" $plain "*) continue ;; esac
      if [[ $symbol =~ ^__imp__?([A-Z][A-Za-z0-9]*)(@[0-9]+)?$ ]]; then
        [[ $windows == *" ${BASH_REMATCH[1]} "* ]] ||
          fail "$folder/$name imports ${BASH_REMATCH[1]}, which its generation's Windows SDK may lack"
        continue
      fi
      fail "$folder/$name needs $symbol"
    done
    for symbol in $defined; do
      # Decorated C++ names other than the runtime's operators, and the
      # constants and strings every Visual C++ object shares by name.
      [[ $symbol =~ ^\?\?[23]@|^\?\?_[UV]@ ]] && { fail "$folder/$name defines $symbol"; continue; }
      [[ $symbol =~ ^\?|^__real@|^__xmm@|^@feat\.00$ ]] && continue
      fail "$folder/$name defines $symbol"
    done
    llvm-readobj-19 --coff-directives "$archive" | grep -qi defaultlib && fail "$folder/$name names a default library"
    [ "$(first_members "$archive" | tr '\n' ' ')" = "/ / // " ] ||
      fail "$folder/$name does not begin with two linker members and the long names"
    for section in $(llvm-readobj-19 --sections "$archive" | awk '$1 == "Name:" { print $2 }' | sort -u); do
      [[ $section =~ ^\.(text|data|bss|rdata|xdata|pdata|drectve|CRT\$X[A-Z]+)$ ]] ||
        fail "$folder/$name holds a section $section"
    done
    for class in $polymorphic; do
      grep -q "^??_E$class@@U" <<<"$defined" || fail "$folder/$name lacks the vector deleting destructor of $class"
      grep -qx "??_R4$class@@6B@" <<<"$defined" || fail "$folder/$name lacks the RTTI of $class"
    done
    if [ "$name" = Gravoa.lib ]; then own=A; other=W; else own=W; other=A; fi
    for function in gr_text_out gr_text_width gr_text_height gr_get_font gr_set_font; do
      grep -q "^?$function$own@@" <<<"$defined" || fail "$folder/$name lacks $function$own"
      grep -q "^?$function$other@@" <<<"$defined" && fail "$folder/$name holds $function$other"
    done
    if [ "$folder" = lib_vc6 ]; then
      grep -q '@@.*_W' <<<"$defined$undefined" && fail "$folder/$name says wchar_t where 6.0 has unsigned short"
      [ "$name" = Gravoa.lib ] || grep -qx '?gr_text_outW@@YAXHHPBG@Z' <<<"$defined" ||
        fail "$folder/$name: gr_text_outW is not decorated for 6.0"
    fi
  done
done
[ "$failures" -eq 0 ] && echo "$checked Visual C++ archives checked"
exit $((failures > 0))
