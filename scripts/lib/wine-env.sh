# Sourced by scripts/test and scripts/run: a private Xvfb display and a
# private Wine prefix, and the clean-up of both. Everything started here is
# remembered by pid (or by its own prefix, for wineserver) and ended at exit.

gravo_pids=()
gravo_prefixes=()

# The 32-bit loader needs a kernel that runs 32-bit Linux code; some
# sandboxes do not, and then only 64-bit Windows programs can run here.
# GRAVO_TEST_ARCH=x86_64 tests the 64-bit build where both could run.
if [ "${GRAVO_TEST_ARCH:-}" != x86_64 ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  GRAVO_WINE=/usr/lib/wine/wine
  GRAVO_TEST_ARCH=i686
else
  GRAVO_WINE=/usr/lib/wine/wine64
  GRAVO_TEST_ARCH=x86_64
  export WINELOADER=$GRAVO_WINE
fi
export GRAVO_WINE GRAVO_TEST_ARCH

gravo_cleanup() {
  local p
  for p in "${gravo_prefixes[@]}"; do
    WINEPREFIX="$p" wineserver -k >/dev/null 2>&1 || true
  done
  for p in "${gravo_pids[@]}"; do
    kill "$p" >/dev/null 2>&1 || true
  done
  for p in "${gravo_pids[@]}"; do
    wait "$p" >/dev/null 2>&1 || true
  done
}

# Starts Xvfb on a free display number and exports DISPLAY.
gravo_start_xvfb() {
  local fifo dir n
  dir=$(mktemp -d)
  fifo="$dir/displayfd"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  gravo_pids+=($!)
  read -r -t 30 n <"$fifo" || { echo "Xvfb did not start" >&2; return 1; }
  rm -rf "$dir"
  export DISPLAY=":$n"
}

# Without a substitute, "Segoe UI" falls back to a font with no CJK glyphs.
gravo_font_substitute() {
  "$GRAVO_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v 'Segoe UI' /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1 </dev/null
}

# With no window manager on the display (Xvfb has none), Wine waits 2 s for
# one every time it hides or destroys a window it leaves to a window
# manager. Windows that Wine places itself end at once.
gravo_unmanaged_windows() {
  "$GRAVO_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
}

# gravo_prepare_prefix <prefix> <scratch home>: creates (once) and boots the
# prefix with a persistent wineserver, and makes "Segoe UI" render CJK text.
gravo_prepare_prefix() {
  local prefix=$1 home=$2
  mkdir -p "$home"
  export HOME="$home"
  export WINEPREFIX="$prefix"
  export WINEDEBUG=-all
  # No Mono or Gecko install dialogs: the wizard needs neither.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export XDG_RUNTIME_DIR="$home/.xdg-runtime"
  mkdir -p "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  mkdir -p "$prefix"
  gravo_prefixes+=("$prefix")
  # The server's output must not be the caller's stdout: background services
  # inherit it, and ctest would wait on that pipe forever.
  # Already running (a second run on the same tree) is fine.
  wineserver -p >/dev/null 2>&1 </dev/null || true
  "$GRAVO_WINE" wineboot.exe -i >/dev/null 2>&1 </dev/null
  gravo_font_substitute
}

# gravo_hold_desktop <gravo_hold_desktop.exe>: starts the desktop process of
# the prefix now, from a program of ours whose output goes to /dev/null,
# and keeps it alive until the clean-up. Otherwise Wine ends it whenever no
# program is on the desktop for a few seconds, and the next test that opens
# a window starts a new one that holds the test's output pipe, so that ctest
# waits for the desktop process to end as well (on a new prefix its start
# and its end wait about 10 s each for rpcss.exe).
gravo_hold_desktop() {
  local ready holder
  ready=$(mktemp -u "$WINEPREFIX/desktop-held.XXXXXX")
  "$GRAVO_WINE" "$1" "Z:${ready//\//\\}" >/dev/null 2>&1 </dev/null &
  holder=$!
  gravo_pids+=("$holder")
  for _ in $(seq 1 1200); do
    if [ -e "$ready" ]; then
      rm -f "$ready"
      return 0
    fi
    kill -0 "$holder" 2>/dev/null || break
    sleep 0.1
  done
  echo "the Wine desktop could not be held open" >&2
  return 1
}
