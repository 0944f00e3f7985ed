#!/bin/sh
# setup-reproducible.sh ROOT SRC: `make setup` from a release folder refuses
# a bad folder without writing anything, and two builds from the same folder
# give the same bytes, package manifest included.
set -eu
TEST=reproducible
. "$(dirname "$0")/setup-common.sh"

# A folder with two faults: both are named, and nothing is written.
cp -a "$W/release" "$W/bad"
rm "$W/bad/parv.exe"
echo x >"$W/bad/Templates/a?b.rtf"
rm -f "$ROOT/release.payload"
if RELEASE=$W/bad "$SRC/scripts/make-setup" "$ROOT" "$W/bad-out" 2>"$W/bad.log"; then
    fail "a release folder without parv.exe was accepted"
fi
grep -q "bad/parv.exe: missing" "$W/bad.log" || fail "missing parv.exe not named: $(cat "$W/bad.log")"
grep -q "bad/Templates/a?b.rtf: " "$W/bad.log" || fail "bad name not named: $(cat "$W/bad.log")"
[ ! -e "$W/bad-out" ] && [ ! -e "$ROOT/release.payload" ] || fail "a refused folder left files behind"

# Two builds a second apart, the second linking anew.
RELEASE=$W/release "$SRC/scripts/make-setup" "$ROOT" "$W/a" >/dev/null
# The reader takes every file of the folder back.
"$ROOT/host/bin/mkpayload" list "$ROOT/release.payload" | tail -n 1 | grep -q "^272 records" ||
    fail "the packed release does not read back as 272 records"
rm -f "$ROOT/win64/release/ParvelaSetup.exe" "$ROOT/win32/release/ParvelaSetup.exe"
sleep 1
RELEASE=$W/release "$SRC/scripts/make-setup" "$ROOT" "$W/b" >/dev/null
for arch in win64 win32; do
    [ -s "$W/a/$arch/ParvelaSetup.exe" ] || fail "no $arch setup"
    cmp "$W/a/$arch/ParvelaSetup.exe" "$W/b/$arch/ParvelaSetup.exe" ||
        fail "two builds of the $arch setup differ"
done
[ -n "$(ls "$W/a/winget")" ] || fail "no package manifest"
diff -r "$W/a/winget" "$W/b/winget" >/dev/null || fail "two builds' package manifests differ"
rm -rf "$W"
