#!/bin/bash
# The menu shortcuts win over the focused control: with the focus in each
# edit field (and in the document memo), after typing there, Ctrl+O opens the
# project dialog (Escape cancels it) and Ctrl+A, which an edit field would
# take for "select all", ends the program with status 0 and writes nothing.
source "$(dirname "$0")/lib.sh"
e2e_begin
copy_examples
start_x
cp "$E2E_WORK/sample.sav" "$E2E_WORK/before.sav"

# name | control rectangle in the client area (left top width height) | typed
cases=(
  "target path field Edit4|8 36 253 20|x"
  "decimal field Edit2|212 104 73 20|7"
  "hexadecimal field Edit3|212 132 73 20|a"
  "document memo Memo1|12 180 281 57|"
)

for row in "${cases[@]}"; do
  IFS='|' read -r name rect typed <<<"$row"
  log "--- focus in the $name"
  start_app "$E2E_WORK/sample.qmt" "$E2E_WORK/sample.sav"
  main_window
  # shellcheck disable=SC2086
  click_control $rect
  [ -n "$typed" ] && type_text "$typed"

  press ctrl+o
  dialog="$(wait_window 'Open project file\.' 5)"
  check "$name: Ctrl+O opens the project dialog" test -n "$dialog"
  if [ -n "$dialog" ]; then
    press Escape
    check "$name: Escape cancels the dialog" wait_no_window 'Open project file\.' 5
    xdotool windowactivate --sync "$MAIN" 2>/dev/null
  fi

  press ctrl+a
  if wait_exit "$APP_PID" 5; then
    check "$name: Ctrl+A ends the program with status 0 (got $EXIT_STATUS)" test "$EXIT_STATUS" -eq 0
  else
    check "$name: Ctrl+A ends the program" false
    screenshot "$MAIN" "$E2E_WORK/still-running.png"
    kill "$APP_PID"
    wait "$APP_PID" 2>/dev/null
  fi
  check "$name: the target is unchanged" cmp "$E2E_WORK/sample.sav" "$E2E_WORK/before.sav"
done
