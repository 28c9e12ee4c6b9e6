# Shared steps of the end-to-end tests, sourced by each test script (bash).
#
# A test runs the built qmtedit as a user meets it: its own X server (Xvfb,
# which picks a free display), a window manager (openbox), windows found by
# their titles, and only clicks, keys and typing. Positions are those of the
# main window's layout, relative to its client area (below the menu bar).
#
# Environment, set by ctest: QMTEDIT (the program), E2E_SOURCE_DIR (the
# source tree), E2E_WORK (a folder for this test's scratch files, emptied
# first), E2E_TIMEOUT (seconds before the test gives up, default 60).

set -u

CLIENT_W=312          # the main window's client area
CLIENT_H=302

E2E_PIDS=()           # every process this test started, ended on exit
E2E_FAILED=0
E2E_XVFB_PID=""
E2E_WATCHDOG_PID=""

log() { printf '%s\n' "$*" >&2; }

# fail MESSAGE: reports and ends the test (cleanup runs from the exit trap).
fail() {
  log "FAIL: $*"
  if [ -s "$E2E_WORK/qmtedit.log" ]; then
    log "qmtedit's output:"
    tail -n 20 "$E2E_WORK/qmtedit.log" >&2
  fi
  E2E_FAILED=1
  exit 1
}

# check CONDITION-TEXT COMMAND...: runs the command; a non-zero status
# reports the failure and goes on, so that one run shows every fault.
check() {
  local what="$1"
  shift
  if "$@"; then
    log "ok: $what"
  else
    log "FAIL: $what"
    E2E_FAILED=1
  fi
}

e2e_cleanup() {
  local status=$?
  trap - EXIT INT TERM
  local pid
  for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
    pid="${E2E_PIDS[i]}"
    kill -0 "$pid" 2>/dev/null && kill -TERM "$pid" 2>/dev/null
  done
  for pid in "${E2E_PIDS[@]}"; do
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  if [ -n "$E2E_WATCHDOG_PID" ]; then
    kill "$E2E_WATCHDOG_PID" 2>/dev/null
    wait "$E2E_WATCHDOG_PID" 2>/dev/null
  fi
  if [ "$status" -eq 0 ] && [ "$E2E_FAILED" -ne 0 ]; then status=1; fi
  if [ "$status" -ne 0 ]; then
    log "test failed; its files and screenshots are in $E2E_WORK"
  fi
  exit "$status"
}

on_timeout() {
  log "FAIL: no result within ${E2E_TIMEOUT}s"
  E2E_FAILED=1
  exit 1
}

# e2e_begin: a fresh scratch folder, the exit trap and the watchdog.
e2e_begin() {
  : "${QMTEDIT:?}" "${E2E_SOURCE_DIR:?}" "${E2E_WORK:?}"
  E2E_TIMEOUT="${E2E_TIMEOUT:-60}"
  rm -rf "$E2E_WORK"
  mkdir -p "$E2E_WORK/home"
  export HOME="$E2E_WORK/home"
  export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache" XDG_DATA_HOME="$HOME/.local/share"
  export XDG_RUNTIME_DIR="$E2E_WORK/runtime"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  # The user's own Qt settings must not change the look.
  unset QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_FONT_DPI QT_QPA_PLATFORMTHEME
  export QT_QPA_PLATFORM=xcb LANG=C.UTF-8 LC_ALL=C.UTF-8
  # No session bus: the program must not reach the desktop services of
  # whoever runs the tests (nor, when there are none, half connect to a bus
  # and leave libdbus's buffers behind for the leak checker).
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_WORK/no-session-bus"
  trap e2e_cleanup EXIT
  trap on_timeout TERM
  trap 'exit 130' INT
  # The watchdog ends its sleep when it is ended itself, and holds none of
  # the test's output open.
  (
    trap 'kill "$nap" 2>/dev/null; exit 0' TERM
    sleep "$E2E_TIMEOUT" &
    nap=$!
    wait "$nap" && kill -TERM $$
  ) >/dev/null 2>&1 </dev/null &
  E2E_WATCHDOG_PID=$!
}

# start_x: an X server of 1024x768 at 96 dots per inch on a free display,
# and the window manager. Sets DISPLAY.
start_x() {
  Xvfb -displayfd 1 -screen 0 1024x768x24 -dpi 96 -nolisten tcp -noreset \
    >"$E2E_WORK/display" 2>"$E2E_WORK/xvfb.log" &
  E2E_XVFB_PID=$!
  E2E_PIDS+=("$E2E_XVFB_PID")
  local n
  for n in $(seq 100); do
    grep -q '^[0-9][0-9]*$' "$E2E_WORK/display" 2>/dev/null && break
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || fail "Xvfb did not start: $(cat "$E2E_WORK/xvfb.log")"
    sleep 0.05
  done
  export DISPLAY=":$(head -n1 "$E2E_WORK/display")"
  openbox --config-file "$E2E_SOURCE_DIR/tests/e2e/openbox-rc.xml" >"$E2E_WORK/openbox.log" 2>&1 &
  E2E_PIDS+=("$!")
  for n in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.05
  done
  fail "the window manager did not start"
}

# start_app [ARGS...]: starts the program; APP_PID is its process id.
start_app() {
  "$QMTEDIT" "$@" >>"$E2E_WORK/qmtedit.log" 2>&1 &
  APP_PID=$!
  E2E_PIDS+=("$APP_PID")
}

# find_window TITLE: the id of a visible window whose whole title is TITLE
# (a regular expression), or nothing.
find_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }

# wait_window TITLE [SECONDS]: waits until such a window is shown and
# prints its id.
wait_window() {
  local title="$1" limit="${2:-15}" id n
  for n in $(seq $((limit * 20))); do
    id="$(find_window "$title")"
    if [ -n "$id" ]; then
      # New windows get the focus from the window manager: keys typed before
      # that would go elsewhere.
      local k
      for k in $(seq 40); do
        [ "$(xdotool getactivewindow 2>/dev/null)" = "$id" ] && break
        sleep 0.05
      done
      sleep 0.2
      printf '%s\n' "$id"
      return 0
    fi
    sleep 0.05
  done
  return 1
}

# wait_no_window TITLE [SECONDS]: waits until no window with that title is
# shown.
wait_no_window() {
  local title="$1" limit="${2:-10}" n
  for n in $(seq $((limit * 20))); do
    [ -z "$(find_window "$title")" ] && return 0
    sleep 0.05
  done
  return 1
}

# wait_exit PID [SECONDS]: waits for the process to end and sets
# EXIT_STATUS; fails (status 1) when it still runs after that time.
wait_exit() {
  local pid="$1" limit="${2:-10}" n
  EXIT_STATUS=""
  for n in $(seq $((limit * 20))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      EXIT_STATUS=$?
      return 0
    fi
    sleep 0.05
  done
  return 1
}

# window_geometry ID: sets WIN_X WIN_Y (absolute position of the window's
# own area, without the frame), WIN_W WIN_H.
window_geometry() {
  local info
  info="$(xwininfo -id "$1")" || return 1
  WIN_X="$(sed -n 's/.*Absolute upper-left X: *\(-\?[0-9]*\).*/\1/p' <<<"$info")"
  WIN_Y="$(sed -n 's/.*Absolute upper-left Y: *\(-\?[0-9]*\).*/\1/p' <<<"$info")"
  WIN_W="$(sed -n 's/.*Width: *\([0-9]*\).*/\1/p' <<<"$info")"
  WIN_H="$(sed -n 's/.*Height: *\([0-9]*\).*/\1/p' <<<"$info")"
}

# main_window: waits for the main window, activates it and sets MAIN,
# MENU_H (the menu bar's height: the window less the client area) and the
# geometry.
main_window() {
  MAIN="$(wait_window 'トルメリア' "${1:-15}")" || fail "the main window did not appear"
  xdotool windowactivate --sync "$MAIN" 2>/dev/null
  window_geometry "$MAIN"
  MENU_H=$((WIN_H - CLIENT_H))
}

# fixed_size_hints ID WIDTH HEIGHT: the window tells the window manager that
# its smallest and its largest size are both WIDTHxHEIGHT.
fixed_size_hints() {
  local hints
  hints="$(xprop -id "$1" WM_NORMAL_HINTS)" || return 1
  grep -q "minimum size: $2 by $3\$" <<<"$hints" && grep -q "maximum size: $2 by $3\$" <<<"$hints" && return 0
  log "size hints: $hints"
  return 1
}

# click_client X Y: a left click at a position of the main window's client
# area.
click_client() {
  xdotool mousemove --window "$MAIN" "$1" $(($2 + MENU_H)) click 1
  sleep 0.2
}

# click_control LEFT TOP WIDTH HEIGHT: a click at the middle of a control
# laid out at that rectangle of the client area.
click_control() { click_client $(($1 + $3 / 2)) $(($2 + $4 / 2)); }

# press KEY...: keys to the focused window, then a moment for the program.
press() {
  xdotool key --delay 30 "$@"
  sleep 0.2
}

# type_text TEXT: types the text into the focused window.
type_text() {
  xdotool type --delay 30 -- "$1"
  sleep 0.2
}

# close_by_title_bar ID: clicks the close button at the right end of the
# window manager's title bar.
close_by_title_bar() {
  local id="$1" extents left right top
  window_geometry "$id"
  extents="$(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p')"
  IFS=', ' read -r left right top _ <<<"$extents"
  # The close button is the last of the title bar, square, a few pixels in
  # from the frame's right edge and centred on the title bar's height.
  xdotool mousemove $((WIN_X + WIN_W + right - top / 2 - 2)) $((WIN_Y - top / 2)) click 1
  sleep 0.2
}

# screenshot ID FILE: the window's own area (no frame) as PNG.
screenshot() { import -window "$1" "$2"; }

# wait_file_equals FILE EXPECTED [SECONDS]: waits until FILE holds the same
# bytes as EXPECTED.
wait_file_equals() {
  local limit="${3:-5}" n
  for n in $(seq $((limit * 20))); do
    cmp -s "$1" "$2" && return 0
    sleep 0.05
  done
  log "$(basename "$1") differs from what was expected (offset, byte found, byte expected; octal):"
  cmp -l "$1" "$2" 2>&1 | head -n 20 >&2
  return 1
}

# set_byte FILE OFFSET VALUE: writes one byte (VALUE 0..255) into a file.
set_byte() {
  printf "$(printf '\\%03o' "$3")" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# copy_examples: fresh copies of the sample project and target into $E2E_WORK.
copy_examples() {
  cp "$E2E_SOURCE_DIR/examples/sample.qmt" "$E2E_SOURCE_DIR/examples/sample.sav" "$E2E_WORK/"
  chmod u+w "$E2E_WORK/sample.qmt" "$E2E_WORK/sample.sav"
}
