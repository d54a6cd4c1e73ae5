#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what the desktop reads from it, then packs the
# Debian package and checks its contents.
# usage: install-test.sh BUILD_DIR MIME_TYPE_OF_PROGRAM [SOURCE_DIR]
set -euo pipefail
build=$1
mimeTypeOf=$2
source=${3:-$(cd "$(dirname "$0")/../.." && pwd)}
work=$(mktemp -d "${TMPDIR:-/tmp}/vorel-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >/dev/null
(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) >"$work/installed"

# The programs start from the prefix and answer --version without a display.
for program in vorel vorel-sound-editor vorel-render; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$program" --version) ||
        fail "$program --version exited with $?"
    [[ $out == "$program "* ]] || fail "$program --version printed '$out'"
done

desktop-file-validate "$prefix"/share/applications/*.desktop || fail "desktop-file-validate"
for metainfo in "$prefix"/share/metainfo/*.xml; do
    appstreamcli validate --no-net "$metainfo" >/dev/null || fail "appstreamcli validate $metainfo"
done

update-mime-database "$prefix/share/mime" >"$work/mime.log" 2>&1 ||
    fail "update-mime-database: $(cat "$work/mime.log")"
for pair in vorelwf:application/x-vorel-wave vorelsf:application/x-vorel-sound \
    vorelsqf:application/x-vorel-sequence; do
    grep -q ":${pair#*:}:\*\.${pair%%:*}\$" "$prefix/share/mime/globs2" ||
        fail "globs2 does not map *.${pair%%:*} to ${pair#*:}"
done
examples=$prefix/share/vorel/examples
types=$(XDG_DATA_DIRS=$prefix/share QT_QPA_PLATFORM=offscreen "$mimeTypeOf" \
    "$examples/organ.vorelwf" "$examples/soft-lead.vorelsf" "$examples/demo.vorelsqf" | tr '\n' ' ')
[ "$types" = "application/x-vorel-wave application/x-vorel-sound application/x-vorel-sequence " ] ||
    fail "the MIME database names the examples '$types'"

# The instrument library is installed whole, and its files render with the installed renderer.
diff -r "$source/library" "$prefix/share/vorel/library" >"$work/library.diff" ||
    fail "the installed library differs from the tree's: $(head -n 5 "$work/library.diff")"
library=$prefix/share/vorel/library
"$prefix/bin/vorel-render" sequence --quiet --wave "$library/waves/organ-jazz.vorelwf" \
    --sound "$library/sounds/jazz-organ.vorelsf" --sequence "$library/songs/organ-blues.vorelsqf" \
    --tempo 100 -o "$work/blues.wav" || fail "the installed library's organ-blues does not render"

for page in vorel vorel-sound-editor vorel-render; do
    warnings=$(groff -man -ww -z "$prefix/share/man/man1/$page.1" 2>&1)
    [ -z "$warnings" ] || fail "groff warns on $page.1: $warnings"
done

icons=(apps/vorel apps/vorel-sound-editor mimetypes/application-x-vorel-wave
    mimetypes/application-x-vorel-sound mimetypes/application-x-vorel-sequence)
for icon in "${icons[@]}"; do
    [ -f "$prefix/share/icons/hicolor/scalable/$icon.svg" ] || fail "no scalable $icon"
    for size in 48 128 256; do
        png=$prefix/share/icons/hicolor/${size}x$size/$icon.png
        [ -f "$png" ] && file "$png" | grep -q "$size x $size" || fail "no $size px $icon"
    done
done

# The LV2 instrument's bundle where hosts look, found by the host library, without Qt.
bundle=$prefix/lib/lv2/vorel.lv2
for file in manifest.ttl vorel.ttl vorel.so soft-lead.ttl saw.vorelwf; do
    [ -f "$bundle/$file" ] || fail "no lib/lv2/vorel.lv2/$file"
done
if command -v lv2ls >/dev/null; then
    LV2_PATH=$prefix/lib/lv2 lv2ls | grep -qx 'urn:vorel:synth' || fail "lv2ls does not list urn:vorel:synth"
fi
! readelf -d "$bundle/vorel.so" | grep -q 'libQt' || fail "the plugin links Qt"

# The Debian package holds the same files.
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null) || fail "cpack -G DEB"
deb=$(ls "$work"/package/*.deb 2>/dev/null | head -n 1)
if [ -n "$deb" ]; then
    contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./usr/||')
    while read -r file; do
        grep -qx "$file" <<<"$contents" || echo "$file"
    done <"$work/installed" >"$work/missing"
    [ ! -s "$work/missing" ] || fail "the package lacks: $(tr '\n' ' ' <"$work/missing")"
    dpkg-deb --field "$deb" Depends | grep -q libqt6widgets6 || fail "the package depends on no Qt"
    grep -qx 'lib/lv2/vorel.lv2/vorel.so' <<<"$contents" || fail "the package has no LV2 bundle"
    # grep reads the whole listing: with -q it would leave after the first match, and tar,
    # writing the next name into the closed pipe, would fail the pipeline now and then.
    dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep postinst >/dev/null ||
        fail "the package has no postinst"
fi

[ "$failures" -eq 0 ] && echo "installed and packed: everything in place"
exit $((failures > 0))
