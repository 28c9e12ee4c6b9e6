#!/bin/bash
# Start with a project and a target on the command line, choose a flag in the
# drop-down list, type its value into the hexadecimal field, press
# "ここだけ変更" and close the window with its title bar button: the target
# differs from before in exactly that flag's byte, and the exit status is 0.
source "$(dirname "$0")/lib.sh"
e2e_begin
copy_examples
start_x

# Page 0 of the sample lists four flags at offsets 64 to 67; the third,
# "まほうの鍵", is at offset 66 and holds 0x00 in the sample target.
cp "$E2E_WORK/sample.sav" "$E2E_WORK/expected.sav"
set_byte "$E2E_WORK/expected.sav" 66 $((0x5c))
cp "$E2E_WORK/sample.qmt" "$E2E_WORK/project-before.qmt"

start_app "$E2E_WORK/sample.qmt" "$E2E_WORK/sample.sav"
main_window

# The flag list (ComboBox1 in "Target Flag"): open it, go down two rows,
# take that one.
click_control $((8 + 12)) $((88 + 20)) 129 20
press Down Down Return
# The hexadecimal field (Edit3 in "Offset") holds "0": the caret to its end,
# then "5c" (which reads "05", shown as "5", then "5c").
click_control $((168 + 44)) $((88 + 44)) 73 20
press End
type_text 5c
# "ここだけ変更" (Button3).
click_control 80 136 73 21
check "the target holds 0x5c at offset 66 and is otherwise unchanged" \
  wait_file_equals "$E2E_WORK/sample.sav" "$E2E_WORK/expected.sav"
screenshot "$MAIN" "$E2E_WORK/after-write.png"

close_by_title_bar "$MAIN"
wait_exit "$APP_PID" 10 || fail "the program still runs after its window was closed"
check "exit status 0 (got $EXIT_STATUS)" test "$EXIT_STATUS" -eq 0
check "closing wrote nothing more" cmp "$E2E_WORK/sample.sav" "$E2E_WORK/expected.sav"
check "the project file is untouched" cmp "$E2E_WORK/sample.qmt" "$E2E_WORK/project-before.qmt"
