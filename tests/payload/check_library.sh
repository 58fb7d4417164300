#!/usr/bin/env bash
# The shipped archives link with older and newer MinGW gcc: each needs from
# outside only Windows imports, a few msvcrt/UCRT functions every runtime
# has, the runtime's own stdio entry point, and operator new and delete with
# the type-information classes (sized delete not in the gcc 4.9.2 build);
# no libstdc++ type, exception support or mingw-w64 helper. Each build
# holds its own kind of text functions only. The headers compile as C++98,
# C++11 and C++20, with and without UNICODE.
#   check_library.sh <payload dir>
set -uo pipefail
payload=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

c_functions=" cos sin exit fclose freopen memcpy memmove memset wcscpy wcslen wcsncmp wcsncpy wcsrchr "
type_info=" _ZTVN10__cxxabiv117__class_type_infoE _ZTVN10__cxxabiv120__si_class_type_infoE "

checked=0
for archive in "$payload"/lib_mingw_*/x*/libgravo*.a; do
  [ -e "$archive" ] || continue
  checked=$((checked + 1))
  variant=$(basename "$(dirname "$(dirname "$archive")")")
  arch=$(basename "$(dirname "$archive")")
  name=$(basename "$archive")
  if [ "$arch" = x64 ]; then triple=x86_64-w64-mingw32; size=y; else triple=i686-w64-mingw32; size=j; fi
  nm="$triple-nm"
  case $variant in
    lib_mingw_ucrt) stdio=__imp___acrt_iob_func ;;
    *) if [ "$arch" = x64 ]; then stdio=__imp___iob_func; else stdio=__imp__iob; fi ;;
  esac
  new_delete=" _Znw$size _Zna$size _ZdlPv _ZdaPv "
  [ "$variant" = lib_mingw_492 ] || new_delete="${new_delete}_ZdlPv$size "
  defined=$("$nm" -g --defined-only "$archive" | awk 'NF == 3 { print $3 }' | sort -u)
  undefined=$("$nm" -g "$archive" | awk '$1 == "U" { print $2 }' | sort -u)
  outside=$(comm -23 <(echo "$undefined") <(echo "$defined"))
  for symbol in $outside; do
    plain=$symbol
    # 32-bit C symbols carry one more leading underscore.
    if [ "$arch" = x86 ]; then
      if [[ $plain == __imp__* ]]; then plain=__imp_${plain#__imp__}; else plain=${plain#_}; fi
    fi
    case " $c_functions $type_info $new_delete $stdio " in *" $plain "*) continue ;; esac
    [[ $plain =~ ^__imp_[A-Z][A-Za-z0-9]*(@[0-9]+)?$ ]] && continue
    fail "$variant/$arch/$name needs $symbol"
  done
  demangled=$("$nm" -C -g --defined-only "$archive")
  if [ "$name" = libgravo.a ]; then own=A; other=W; else own=W; other=A; fi
  for function in gr_text_out gr_text_width gr_text_height gr_get_font gr_set_font; do
    grep -q " $function$own(" <<<"$demangled" || fail "$variant/$arch/$name lacks $function$own"
    grep -q " $function$other(" <<<"$demangled" && fail "$variant/$arch/$name holds $function$other"
  done
done
[ "$checked" -eq 12 ] || fail "expected 12 archives under $payload, found $checked"

program='#include <graphics.h>
int main() {
  gr_open_window(10, 10);
  gr_text_out(0, 0, TEXT("x"));
  LOGFONT font;
  gr_get_font(&font);
  gr_set_font(&font);
  return gr_text_width(TEXT("x")) + gr_text_height(TEXT("x"));
}'
for dialect in c++98 c++11 c++20; do
  for unicode in "" -DUNICODE; do
    x86_64-w64-mingw32-g++-posix -std=$dialect $unicode -Wall -Wextra -Werror -fsyntax-only \
      -I "$payload/include" -x c++ - <<<"$program" || fail "the headers do not compile with -std=$dialect $unicode"
  done
done

[ "$failures" -eq 0 ] && echo "12 archives and the headers checked"
exit $((failures > 0))
