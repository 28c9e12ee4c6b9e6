#!/bin/bash
# The Debian package, built with cpack and unpacked into a scratch root with
# dpkg -x: it holds what cmake --install puts into a prefix; its Depends
# name the Debian package of every library the programs link, and the font;
# the desktop entry passes desktop-file-validate and names the program, the
# icon and the MIME type that the package holds; the MIME type claims *.qmt;
# the icons and man pages are sound; and the programs run from there: qmt
# --version, and qmtedit in a window, writing into a target.
source "$(dirname "$0")/lib.sh"
e2e_begin
: "${CPACK:?}" "${E2E_BINARY_DIR:?}"

"$CPACK" --config "$E2E_BINARY_DIR/CPackConfig.cmake" -G DEB -B "$E2E_WORK/package" >"$E2E_WORK/cpack.log" 2>&1 ||
  fail "cpack failed: $(tail -n 20 "$E2E_WORK/cpack.log")"
deb="$(ls "$E2E_WORK"/package/qmtedit_*.deb 2>/dev/null | head -n1)"
[ -n "$deb" ] || fail "cpack made no qmtedit_*.deb"
root="$E2E_WORK/root"
dpkg -x "$deb" "$root" || fail "dpkg -x failed"
usr="$root/usr"

# --- The same files as cmake --install.
cmake --install "$E2E_BINARY_DIR" --prefix "$E2E_WORK/prefix" >"$E2E_WORK/install.log" 2>&1 ||
  fail "cmake --install failed: $(tail -n 20 "$E2E_WORK/install.log")"
(cd "$usr" && find . -type f | sort) >"$E2E_WORK/package-files"
(cd "$E2E_WORK/prefix" && find . -type f | sort) >"$E2E_WORK/install-files"
check "the package holds the files of cmake --install" diff "$E2E_WORK/package-files" "$E2E_WORK/install-files"
for file in bin/qmtedit bin/qmt share/applications/qmtedit.desktop share/mime/packages/qmtedit.xml \
  share/icons/hicolor/32x32/apps/qmtedit.png share/icons/hicolor/128x128/apps/qmtedit.png \
  share/man/man1/qmtedit.1.gz share/man/man1/qmt.1.gz; do
  check "installs $file" test -f "$usr/$file"
done

# --- Depends.
depends="$(dpkg-deb -f "$deb" Depends)"
log "Depends: $depends"
depends_names=" $(sed 's/([^)]*)//g; s/[,|]/ /g' <<<"$depends" | tr -s ' ') "
check "Depends names the font" grep -q ' fonts-ipafont-gothic ' <<<"$depends_names"
for name in $depends_names; do
  check "dependency $name is a Debian package installed here" dpkg-query -W "$name" >/dev/null
done
# package_of LIBRARY-PATH: the Debian package that holds the library.
package_of() {
  local path="$1" real candidate found
  real="$(readlink -f "$path")"
  # With /lib a link to /usr/lib, a package may list either spelling.
  for candidate in "$path" "/usr$path" "${path#/usr}" "$real" "/usr$real" "${real#/usr}"; do
    found="$(dpkg -S "$candidate" 2>/dev/null | head -n1 | cut -d: -f1)"
    [ -n "$found" ] && { printf '%s\n' "$found"; return 0; }
  done
  return 1
}
for program in qmtedit qmt; do
  check "$program: no run path into the build" test -z "$(readelf -d "$usr/bin/$program" | grep -E 'RPATH|RUNPATH')"
  for library in $(readelf -d "$usr/bin/$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
    path="$(ldd "$usr/bin/$program" | awk -v l="$library" '$1 == l { print $3 }')"
    package="$(package_of "$path")"
    check "$program links $library ($path), of the package ${package:-?}, which Depends names" \
      grep -q " ${package:-none} " <<<"$depends_names"
  done
done

# --- Desktop entry, MIME type, icons, man pages.
desktop="$usr/share/applications/qmtedit.desktop"
validation="$(desktop-file-validate "$desktop" 2>&1)"
check "desktop-file-validate passes on the entry${validation:+: $validation}" test -z "$validation"
entry() { sed -n "s/^$1=//p" "$desktop"; }
check "the entry starts qmtedit with the file (Exec=$(entry Exec))" test "$(entry Exec)" = "qmtedit %f"
check "the entry's icon is the installed one" test "$(entry Icon)" = qmtedit
mime_type="$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$usr/share/mime/packages/qmtedit.xml")"
check "the entry opens the package's MIME type ($mime_type)" test "$(entry MimeType)" = "$mime_type;"
cp -r "$usr/share/mime" "$E2E_WORK/mime"
update-mime-database "$E2E_WORK/mime" >"$E2E_WORK/mime.log" 2>&1
check "the MIME database maps *.qmt to $mime_type" grep -qx "[0-9]*:$mime_type:\*\.qmt" "$E2E_WORK/mime/globs2"
for size in 32 128; do
  check "the ${size}x$size icon is a PNG of that size" \
    test "$(identify -format '%m %wx%h' "$usr/share/icons/hicolor/${size}x$size/apps/qmtedit.png")" = "PNG ${size}x$size"
done
for page in qmtedit qmt; do
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$usr/share/man/man1/$page.1.gz" 2>&1 >"$E2E_WORK/$page.txt")"
  check "man page $page.1 renders without warnings${warnings:+: $warnings}" test -z "$warnings"
  check "man page $page.1 names $page" grep -Eq "^ *$page +- " "$E2E_WORK/$page.txt"
done

# --- The programs, run from the unpacked root.
version="$("$usr/bin/qmt" --version 2>&1)"
check "qmt --version prints \"qmt 0.02\" (got \"$version\")" test "$version" = "qmt 0.02"

start_x
cp "$usr/share/doc/qmtedit/examples/sample.sav" "$E2E_WORK/target.sav"
chmod u+w "$E2E_WORK/target.sav"
cp "$E2E_WORK/target.sav" "$E2E_WORK/before.sav"
QMTEDIT="$usr/bin/qmtedit" start_app "$usr/share/doc/qmtedit/examples/sample.qmt" "$E2E_WORK/target.sav"
main_window
screenshot "$MAIN" "$E2E_WORK/installed.png"
click_control 232 280 73 21   # "全部変更": 0 into every flag of the sample
for n in $(seq 40); do cmp -s "$E2E_WORK/target.sav" "$E2E_WORK/before.sav" || break; sleep 0.05; done
check "the installed qmtedit writes the target" test "$(cmp -l "$E2E_WORK/target.sav" "$E2E_WORK/before.sav" | wc -l)" -gt 0
press ctrl+a
wait_exit "$APP_PID" 10 || fail "Ctrl+A did not end the installed qmtedit"
check "exit status 0 (got $EXIT_STATUS)" test "$EXIT_STATUS" -eq 0
