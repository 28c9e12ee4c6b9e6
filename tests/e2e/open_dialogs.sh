#!/bin/bash
# Start without arguments; open the project with Ctrl+O (the focus is in the
# target path field) by typing its path into the file dialog; enter a value
# for the first flag; choose the target with "参照" and the same dialog; press
# "全部変更". Every flag of every page is written: the typed byte at its
# offset, 0x00 at every other offset of the project, nothing elsewhere.
source "$(dirname "$0")/lib.sh"
e2e_begin
copy_examples
start_x

# The sample's offsets, page by page (page 0's first flag gets the value).
offsets=(64 65 66 67  256 257 258 259 260  384 385 386  496 497)
cp "$E2E_WORK/sample.sav" "$E2E_WORK/expected.sav"
for offset in "${offsets[@]}"; do set_byte "$E2E_WORK/expected.sav" "$offset" 0; done
set_byte "$E2E_WORK/expected.sav" 64 63
cp "$E2E_WORK/sample.sav" "$E2E_WORK/before.sav"

start_app
main_window

press ctrl+o
dialog="$(wait_window 'Open project file\.')" || fail "Ctrl+O showed no dialog titled \"Open project file.\""
type_text "$E2E_WORK/sample.qmt"
press Return
wait_no_window 'Open project file\.' || fail "the project dialog stayed open"
screenshot "$MAIN" "$E2E_WORK/loaded.png"

# Page 0, flag 0 is selected after the load: 63 into the decimal field,
# after its "0" (which reads "06" as 6, then "63").
click_control $((168 + 44)) $((88 + 16)) 73 20
press End
type_text 63

# "参照" (Button6 in "Targt Savedata File").
click_control $((4 + 260)) $((24 + 12)) 41 21
dialog="$(wait_window 'Open save-data file\.')" || fail "\"参照\" showed no dialog titled \"Open save-data file.\""
screenshot "$dialog" "$E2E_WORK/target-dialog.png"
# The file name field starts with the project's name, selected: typing
# replaces it.
type_text "$E2E_WORK/sample.sav"
press Return
wait_no_window 'Open save-data file\.' || fail "the target dialog stayed open"
check "choosing the target wrote nothing" cmp "$E2E_WORK/sample.sav" "$E2E_WORK/before.sav"

# "全部変更" (Button5).
click_control 232 280 73 21
check "every offset of the project written, 63 at offset 64" \
  wait_file_equals "$E2E_WORK/sample.sav" "$E2E_WORK/expected.sav"
screenshot "$MAIN" "$E2E_WORK/written.png"

press ctrl+a
wait_exit "$APP_PID" 10 || fail "Ctrl+A did not end the program"
check "exit status 0 (got $EXIT_STATUS)" test "$EXIT_STATUS" -eq 0
