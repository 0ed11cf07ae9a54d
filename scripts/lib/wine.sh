# Shared Wine and Xvfb helpers for scripts/test, scripts/demo and the end-to-end tests.
# Source it; every function stops only what it started (by PID).

zant_wine_env() {
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEARCH=win64
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# zant_make_template DIR: a booted prefix in DIR, made once and reused while the same Wine runs
# it (the stamp file holds Wine's version). It has no drive mapped to the Linux root, no user
# folders linked to the Linux home, and windows that close at once under a bare X server.
zant_make_template() {
  local dir=$1 version
  zant_wine_env
  version=$(wine --version)
  [ "$(cat "$dir/.zant-ready" 2>/dev/null)" = "$version" ] && return 0
  rm -rf "$dir"
  mkdir -p "$dir"
  zant_wine_env
  (
    export WINEPREFIX=$dir
    wineboot -i >"$dir.log" 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$dir.log" 2>&1
    wineserver -w
    rm -f "$dir/dosdevices/z:"
    # User folders (Desktop, Documents ...) are symlinks into the Linux home: make them real.
    find "$dir/drive_c/users" -maxdepth 3 -type l | while read -r link; do
      rm -f "$link" && mkdir -p "$link"
    done
  ) || return 1
  echo "$version" >"$dir/.zant-ready"
}

# zant_clone_prefix TEMPLATE NEW: a private prefix in well under a second.
zant_clone_prefix() {
  sh "$ZANT_ROOT/scripts/lib/clone_prefix.sh" "$1" "$2"
}

# zant_map_drives PREFIX LETTER=FOLDER[:TYPE] ...: maps drives and stops the prefix's server so
# that the next start reads them.
zant_map_drives() {
  local prefix=$1
  shift
  WINEPREFIX=$prefix sh "$ZANT_ROOT/scripts/lib/wine_drives.sh" "$@"
}

# zant_start_xvfb: starts a private X server on a free display; sets DISPLAY and ZANT_XVFB_PID.
zant_start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    ZANT_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$ZANT_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    if [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "could not start Xvfb" >&2
  return 1
}

zant_stop_xvfb() {
  [ -n "${ZANT_XVFB_PID:-}" ] && kill "$ZANT_XVFB_PID" 2>/dev/null
  ZANT_XVFB_PID=
}

# zant_start_wineserver PREFIX: a persistent server for the prefix, with the prefix's services
# started once (their output goes to a file, never to a pipe).
zant_start_wineserver() {
  local prefix=$1
  zant_wine_env
  WINEPREFIX=$prefix wineserver -p >"$prefix.server.log" 2>&1
  WINEPREFIX=$prefix wine cmd /c exit >>"$prefix.server.log" 2>&1 </dev/null
}

zant_stop_wineserver() {
  WINEPREFIX=$1 wineserver -k 2>/dev/null || true
}

# zant_make_unit_prefix TEMPLATE PREFIX DRIVES_DIR: the prefix the Win32-layer tests run in.
#   C: the prefix's own, D: a scratch fixed drive, E: a CD-ROM, F: a network drive,
#   G: a fixed drive that is not ready (its folder is missing), Z: the Linux root (test programs
#   are started by their Linux path, so their working folder must lie on a drive). D: holds Linux
#   symbolic links to folders for the link tests (D:\links) and a link loop (D:\linkloop).
zant_make_unit_prefix() {
  local template=$1 prefix=$2 drives=$3
  rm -rf "$drives"
  mkdir -p "$drives/d" "$drives/e" "$drives/f"
  zant_clone_prefix "$template" "$prefix" || return 1
  zant_map_drives "$prefix" "d=$drives/d" "e=$drives/e:cdrom" "f=$drives/f:network" \
    "g=$drives/g-missing" || return 1
  ln -s / "$prefix/dosdevices/z:"
  # Links to folders, which Wine cannot make itself (CreateSymbolicLinkW does nothing):
  # D:\links\holder\link and D:\links\direct lead to D:\links\target (with kept.txt),
  # D:\links\to-empty to the empty D:\links\empty.
  mkdir -p "$drives/d/links/target" "$drives/d/links/holder" "$drives/d/links/empty"
  printf kept >"$drives/d/links/target/kept.txt"
  ln -s ../target "$drives/d/links/holder/link"
  ln -s target "$drives/d/links/direct"
  ln -s empty "$drives/d/links/to-empty"
  # A loop for the tree walker: D:\linkloop\inner\up leads back to D:\linkloop.
  mkdir -p "$drives/d/linkloop/inner"
  : >"$drives/d/linkloop/inner/file.txt"
  ln -s .. "$drives/d/linkloop/inner/up"
}
