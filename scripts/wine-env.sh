# Shared by the Wine scripts: a display and throw-away prefixes.
# Source it; it defines functions and changes nothing by itself.

KELVARO_ROOT=${KELVARO_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
KELVARO_WINE_ROOT=${KELVARO_WINE_ROOT:-$KELVARO_ROOT/build/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}

# Makes sure DISPLAY names a working X server; starts Xvfb on a free display when
# there is none. The server outlives the script (it is shared by later calls).
kelvaro_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local state="$KELVARO_WINE_ROOT/display"
  mkdir -p "$KELVARO_WINE_ROOT"
  if [ -f "$state" ]; then
    DISPLAY=$(cat "$state")
    export DISPLAY
    if xdpyinfo >/dev/null 2>&1; then return 0; fi
  fi
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      # No inherited descriptors: a lock held open by the server would never be released.
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 9>&- &
      local i
      for i in $(seq 1 100); do
        if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
          export DISPLAY=":$n"
          echo "$DISPLAY" > "$state"
          return 0
        fi
        sleep 0.1
      done
    fi
  done
  echo "wine-env: could not start Xvfb" >&2
  return 1
}

# kelvaro_prefix ARCH [NAME]: prints the path of a prefix of ours for win32 or
# win64, creating it (once, under a lock) when missing. NAME picks a separate
# prefix, so tests that change the registry do not share one. Wine boots one
# prefix per architecture (about 30 seconds); the others are copies of it
# (about 6), made while no wineserver runs in it. Their windows are not left to
# an X window manager: none runs under Xvfb, and Wine would wait two seconds for
# one each time a window is hidden or destroyed; Wine then draws the frames
# itself, as Windows does.
kelvaro_prefix() {
  local arch=$1 name=${2:-$1}
  local prefix="$KELVARO_WINE_ROOT/prefix-$name"
  local booted="$KELVARO_WINE_ROOT/prefix-booted-$arch"
  mkdir -p "$KELVARO_WINE_ROOT"
  kelvaro_ensure_display || return 1
  (
    flock 9
    if [ ! -f "$booted/.kelvaro-ready" ]; then
      rm -rf "$booted"
      WINEPREFIX="$booted" WINEARCH="$arch" wineboot -i >/dev/null 2>&1 9>&- || true
      WINEPREFIX="$booted" wineserver -w 9>&-
      [ -f "$booted/system.reg" ] || { echo "wine-env: wineboot failed for $booted" >&2; exit 1; }
      WINEPREFIX="$booted" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        >/dev/null 2>&1 9>&- || { echo "wine-env: could not set up $booted" >&2; exit 1; }
      WINEPREFIX="$booted" wineserver -w 9>&-
      touch "$booted/.kelvaro-ready"
    fi
  ) 9>"$KELVARO_WINE_ROOT/.lock-booted-$arch" || return 1
  (
    flock 9
    if [ ! -f "$prefix/.kelvaro-ready" ]; then
      rm -rf "$prefix" "$prefix.copying"
      cp -a "$booted" "$prefix.copying" && mv "$prefix.copying" "$prefix" ||
        { echo "wine-env: could not copy $booted to $prefix" >&2; exit 1; }
    fi
  ) 9>"$KELVARO_WINE_ROOT/.lock-$name" || return 1
  echo "$prefix"
}

# The architecture a Windows executable needs: win32 for PE32, win64 for PE32+.
kelvaro_arch_of() {
  if file -b "$1" | grep -q 'PE32+'; then echo win64; else echo win32; fi
}
