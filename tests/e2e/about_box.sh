#!/bin/bash
# The about box opens from the help menu ("ﾍﾙﾌﾟ(&H)", then "ﾊﾞｰｼﾞｮﾝ情報(&A)"
# by their access keys), is 219x83 and fixed in size, closes with its title
# bar's close button and again with Enter (its OK button is the default);
# the main window goes on, and closing it ends the program with status 0.
source "$(dirname "$0")/lib.sh"
e2e_begin
copy_examples
start_x

start_app "$E2E_WORK/sample.qmt"
main_window

# open_about: the help menu by the keyboard; sets ABOUT.
open_about() {
  xdotool windowactivate --sync "$MAIN" 2>/dev/null
  press alt+h
  press a
  ABOUT="$(wait_window 'バージョン情報' 5)" || fail "the help menu did not open the about box"
}

open_about
screenshot "$ABOUT" "$E2E_WORK/about.png"
window_geometry "$ABOUT"
check "the about box's client area is 219x83 (got ${WIN_W}x${WIN_H})" test "${WIN_W}x${WIN_H}" = 219x83
check "the about box cannot be resized" fixed_size_hints "$ABOUT" 219 83

close_by_title_bar "$ABOUT"
check "the title bar's close button closes the about box" wait_no_window 'バージョン情報' 5
check "the main window stays" test -n "$(find_window 'トルメリア')"

open_about
press Return
check "Enter closes the about box" wait_no_window 'バージョン情報' 5

close_by_title_bar "$MAIN"
wait_exit "$APP_PID" 10 || fail "closing the main window did not end the program"
check "exit status 0 (got $EXIT_STATUS)" test "$EXIT_STATUS" -eq 0
