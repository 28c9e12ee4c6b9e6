#!/bin/bash
# The main window with the sample project, on screen:
# - geometry: 312 wide; the client area starts at the bevel line right under
#   the menu bar (a dark row over a light one, across the whole width) and
#   is 302 high; the window asks for a fixed size, and the window manager
#   offers neither resizing nor maximizing, nor does a resize request change
#   it;
# - captions: every caption, the menu and the project's texts are drawn in
#   IPAPGothic. A render with only IPAPGothic's and DejaVu's files known to
#   fontconfig is the same picture (so no other font, such as a fallback,
#   drew anything), while a render without any Japanese font differs in
#   every one of those places, each of which holds dark text pixels.
source "$(dirname "$0")/lib.sh"
e2e_begin
copy_examples
start_x

# fonts_conf NAME DIR...: a fontconfig file that knows only the fonts in these
# folders and renders them with the system's settings.
fonts_conf() {
  local name="$1" dir
  shift
  mkdir -p "$E2E_WORK/$name"
  {
    echo '<?xml version="1.0"?><!DOCTYPE fontconfig SYSTEM "fonts.dtd"><fontconfig>'
    for dir in "$@"; do echo "<dir>$dir</dir>"; done
    echo '<include ignore_missing="yes">/etc/fonts/conf.d</include>'
    echo "<cachedir>$E2E_WORK/$name/cache</cachedir></fontconfig>"
  } >"$E2E_WORK/$name/fonts.conf"
}
ipa_file="$(fc-match -f '%{file}' IPAPGothic)"
check "IPAPGothic is installed (fc-match gives $ipa_file)" \
  test "$(fc-match -f '%{family[0]}' IPAPGothic)" = IPAPGothic
dejavu_dir=/usr/share/fonts/truetype/dejavu
fonts_conf ipa-and-dejavu "$(dirname "$ipa_file")" "$dejavu_dir"
fonts_conf latin-only "$dejavu_dir"

# render NAME [FONTCONFIG_FILE]: starts the program with the sample, takes
# NAME.png of the window (the target path field, where the caret blinks,
# blacked out in NAME-masked.png) and ends it.
render() {
  local name="$1" fonts="${2:-}"
  if [ -n "$fonts" ]; then
    FONTCONFIG_FILE="$fonts" start_app "$E2E_WORK/sample.qmt" "$E2E_WORK/sample.sav"
  else
    start_app "$E2E_WORK/sample.qmt" "$E2E_WORK/sample.sav"
  fi
  main_window
  sleep 0.3
  screenshot "$MAIN" "$E2E_WORK/$name.png"
  local top=$((MENU_H + 24 + 12))
  convert "$E2E_WORK/$name.png" -fill black -draw "rectangle 8,$top 261,$((top + 20))" "$E2E_WORK/$name-masked.png"
}

render shown
# The window with its frame, for the documentation.
IFS=', ' read -r fl fr ft fb <<<"$(xprop -id "$MAIN" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p')"
import -window root -crop "$((WIN_W + fl + fr))x$((WIN_H + ft + fb))+$((WIN_X - fl))+$((WIN_Y - ft))" +repage \
  "$E2E_WORK/framed.png"

# --- Geometry
check "the window is $CLIENT_W wide (got $WIN_W)" test "$WIN_W" -eq "$CLIENT_W"
row_colour() { convert "$E2E_WORK/shown.png" -crop "312x1+0+$1" +repage -format '%k %[fx:mean]' info:; }
bevel=""
for y in $(seq 0 40); do
  read -r colours mean <<<"$(row_colour "$y")"
  read -r next_colours next_mean <<<"$(row_colour $((y + 1)))"
  if [ "$colours" = 1 ] && [ "$next_colours" = 1 ] && awk "BEGIN{exit !($mean < 0.75 && $next_mean > 0.95)}"; then
    bevel=$y
    break
  fi
done
check "the bevel line under the menu bar is found" test -n "$bevel"
check "the client area below it is 302 high (window $WIN_H, client from row ${bevel:-?})" \
  test "$((WIN_H - ${bevel:-0}))" -eq "$CLIENT_H"
check "the window asks for a fixed size" fixed_size_hints "$MAIN" "$CLIENT_W" "$WIN_H"
actions="$(xprop -id "$MAIN" _NET_WM_ALLOWED_ACTIONS)"
check "the window manager offers no resizing" test -z "$(grep -o '_NET_WM_ACTION_RESIZE' <<<"$actions")"
check "the window manager offers no maximizing" test -z "$(grep -o '_NET_WM_ACTION_MAXIMIZE' <<<"$actions")"
before="$WIN_W $WIN_H"
xdotool windowsize "$MAIN" 500 450
sleep 0.5
window_geometry "$MAIN"
check "a resize request leaves it at 312x$((MENU_H + 302)) (got ${WIN_W}x$WIN_H)" test "$WIN_W $WIN_H" = "$before"
press ctrl+a
wait_exit "$APP_PID" 10 || fail "Ctrl+A did not end the program"

# --- Fonts
render ipa-and-dejavu "$E2E_WORK/ipa-and-dejavu/fonts.conf"
press ctrl+a
wait_exit "$APP_PID" 10 || fail "Ctrl+A did not end the program"
render latin-only "$E2E_WORK/latin-only/fonts.conf"
press ctrl+a
wait_exit "$APP_PID" 10 || fail "Ctrl+A did not end the program"

differing="$(compare -metric AE "$E2E_WORK/shown-masked.png" "$E2E_WORK/ipa-and-dejavu-masked.png" \
  "$E2E_WORK/ipa-and-dejavu-diff.png" 2>&1 >/dev/null)"
check "a render with only IPAPGothic and DejaVu is the same picture ($differing pixels differ)" \
  test "$differing" = 0

# name | rectangle in the client area (left top width height); the menu bar
# lies above the client area.
places=(
  "menu bar|0 -$MENU_H 120 $MENU_H"
  "title label (project title)|0 5 312 16"
  "group box caption Targt Savedata File|4 24 120 12"
  "button 参照|264 36 41 21"
  "tab captions (page names)|4 64 305 20"
  "group box caption Target Flag|8 88 80 12"
  "flag list (flag name)|20 108 110 20"
  "group box caption Offset|168 88 50 12"
  "label １０進|176 108 28 12"
  "label １６進|176 136 28 12"
  "button ここだけ変更|80 136 73 21"
  "group box caption Document|8 168 70 12"
  "document memo (page text)|12 180 264 57"
  "button このページだけ変更|176 248 121 21"
  "button 全部変更|232 280 73 21"
)
# crop IMAGE X Y W H: that rectangle of the client area, on standard output.
crop() { convert "$1" -crop "$4x$5+$2+$(($3 + MENU_H))" +repage png:-; }
for row in "${places[@]}"; do
  IFS='|' read -r name rect <<<"$row"
  read -r x y w h <<<"$rect"
  ink="$(crop "$E2E_WORK/shown.png" "$x" "$y" "$w" "$h" | convert png:- -colorspace Gray -threshold 40% \
    -negate -format '%[fx:round(mean*w*h)]' info:)"
  check "$name: drawn ($ink dark pixels)" test "$ink" -ge 12
  crop "$E2E_WORK/shown.png" "$x" "$y" "$w" "$h" >"$E2E_WORK/place.png"
  crop "$E2E_WORK/latin-only.png" "$x" "$y" "$w" "$h" >"$E2E_WORK/place-latin.png"
  differing="$(compare -metric AE -fuzz 15% "$E2E_WORK/place.png" "$E2E_WORK/place-latin.png" null: 2>&1 >/dev/null)"
  check "$name: differs from the render without a Japanese font ($differing pixels)" test "$differing" -ge 12
done
