#!/bin/bash
# Projects that fail to load, through the file dialog (while the sample is
# loaded) and on the command line (before the main window is shown). The
# message box appears with its caption as the window title and its text drawn
# exactly as Qt draws the expected text (a reference box shown by
# message_box_reference, pixel for pixel) in glyphs of a Japanese font (a
# render without one differs); Enter closes it, and the main window is then
# the empty window of a start without arguments.
source "$(dirname "$0")/lib.sh"
e2e_begin
copy_examples
start_x
: "${MESSAGE_BOX_REFERENCE:?}"

# A font set without any Japanese font, for the render that must differ.
mkdir -p "$E2E_WORK/latin-only"
cat >"$E2E_WORK/latin-only/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <cachedir>$E2E_WORK/latin-only/cache</cachedir>
</fontconfig>
EOF

# mask_target_field IN OUT: the window's picture with the target path field
# (Edit4, where the caret blinks) blacked out.
mask_target_field() {
  local top=$((MENU_H + 24 + 12))
  convert "$1" -fill black -draw "rectangle 8,$top $((8 + 253)),$((top + 20))" "$2"
}

# same_picture A B: the two pictures are equal pixel for pixel.
same_picture() {
  local differing
  differing="$(compare -metric AE "$1" "$2" "${2%.png}-diff.png" 2>&1 >/dev/null)"
  [ "$differing" = 0 ] || { log "$(basename "$1") and $(basename "$2") differ in $differing pixels"; return 1; }
}

# differs_a_lot A B: more than 100 pixels differ (or the sizes).
differs_a_lot() {
  local differing
  differing="$(compare -metric AE "$1" "$2" null: 2>&1 >/dev/null)" || true
  case "$differing" in
    *[!0-9]*) return 0 ;;  # sizes differ
  esac
  [ "$differing" -gt 100 ] || { log "only $differing pixels differ"; return 1; }
}

# reference_box NAME CAPTION TEXT ICON [FONTCONFIG_FILE]: the reference
# picture of the box, as NAME.png.
reference_box() {
  local name="$1" caption="$2" text="$3" icon="$4" fonts="${5:-}" pid id
  if [ -n "$fonts" ]; then
    FONTCONFIG_FILE="$fonts" "$MESSAGE_BOX_REFERENCE" "$caption" "$text" "$icon" >>"$E2E_WORK/reference.log" 2>&1 &
  else
    "$MESSAGE_BOX_REFERENCE" "$caption" "$text" "$icon" >>"$E2E_WORK/reference.log" 2>&1 &
  fi
  pid=$!
  E2E_PIDS+=("$pid")
  id="$(wait_window "$caption")" || fail "the reference box did not appear"
  screenshot "$id" "$E2E_WORK/$name.png"
  xdotool windowactivate --sync "$id" 2>/dev/null
  press Return
  wait_exit "$pid" 5 || fail "the reference box did not close with Enter"
}

# The empty window: a start without arguments.
start_app
main_window
screenshot "$MAIN" "$E2E_WORK/empty.png"
mask_target_field "$E2E_WORK/empty.png" "$E2E_WORK/empty-masked.png"
press ctrl+a
wait_exit "$APP_PID" 10 || fail "Ctrl+A did not end the program"

# name | how the project is opened | project file lines ("-": no file) |
# box caption | text ("\n": a line feed) | icon
cases=(
  "bad-offset|dialog|#tab\nPage\nFlag\n12a\n#end\n|エラー|ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙの文法に異常があります。\nｵﾌｾｯﾄが整数ではありません。|none"
  "end-of-file|command line|#title\nCut short\n#tab\nPage\n|エラー|ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙの終端に達しました。|none"
  "missing-file|command line|-|qmtedit|ﾌｧｲﾙ $E2E_WORK/missing-file.qmt は開けません.|error"
)

for row in "${cases[@]}"; do
  IFS='|' read -r name how lines caption text icon <<<"$row"
  log "--- $name ($how)"
  project="$E2E_WORK/$name.qmt"
  [ "$lines" = - ] || printf "$lines" >"$project"

  if [ "$how" = dialog ]; then
    start_app "$E2E_WORK/sample.qmt"
    main_window
    press ctrl+o
    wait_window 'Open project file\.' >/dev/null || fail "$name: Ctrl+O showed no project dialog"
    type_text "$project"
    press Return
  else
    start_app "$project"
  fi

  box="$(wait_window "$caption")"
  check "$name: a box titled \"$caption\" appears" test -n "$box"
  [ -n "$box" ] || continue
  screenshot "$box" "$E2E_WORK/$name-box.png"
  if [ "$how" != dialog ]; then
    check "$name: the box comes before the main window" test -z "$(find_window 'トルメリア')"
  fi
  xdotool windowactivate --sync "$box" 2>/dev/null
  press Return
  check "$name: Enter closes the box" wait_no_window "$caption" 5

  main_window
  sleep 0.3
  screenshot "$MAIN" "$E2E_WORK/$name-window.png"
  mask_target_field "$E2E_WORK/$name-window.png" "$E2E_WORK/$name-window-masked.png"
  check "$name: the main window is empty afterwards" \
    same_picture "$E2E_WORK/$name-window-masked.png" "$E2E_WORK/empty-masked.png"
  press ctrl+a
  wait_exit "$APP_PID" 10 || fail "$name: Ctrl+A did not end the program"
  check "$name: exit status 0 (got $EXIT_STATUS)" test "$EXIT_STATUS" -eq 0

  reference_box "$name-expected" "$caption" "$text" "$icon"
  check "$name: the box shows the expected text" \
    same_picture "$E2E_WORK/$name-box.png" "$E2E_WORK/$name-expected.png"
  reference_box "$name-no-japanese-font" "$caption" "$text" "$icon" "$E2E_WORK/latin-only/fonts.conf"
  check "$name: the text is drawn in a Japanese font (a render without one differs)" \
    differs_a_lot "$E2E_WORK/$name-box.png" "$E2E_WORK/$name-no-japanese-font.png"
done
