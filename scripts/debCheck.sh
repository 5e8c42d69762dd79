#!/usr/bin/env bash
# Checks a built orbel .deb the way an installation would meet it: unpacks
# it into a scratch folder beside it, checks what it holds and nothing
# more, its control fields and Depends, the desktop entry, the icons and the
# manual page, and runs the unpacked orbel-cli, which must find its library
# through its own RUNPATH. Ends with one summary line.
# Usage: scripts/debCheck.sh BUILD_DIR (where scripts/deb.sh left the .deb)
set -uo pipefail
dir=${1:?usage: debCheck.sh BUILD_DIR}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
deb=$dir/orbel_${version}_amd64.deb
failures=0
fail() { echo "debCheck: $*" >&2; failures=$((failures + 1)); }

[ -n "$version" ] && [ -f "$deb" ] || { echo "debCheck: no $deb" >&2; exit 1; }
scratch=$dir/deb-check
rm -rf "$scratch"
mkdir -p "$scratch"
dpkg-deb -x "$deb" "$scratch/root" && dpkg-deb -e "$deb" "$scratch/DEBIAN" ||
  { echo "debCheck: dpkg-deb could not unpack $deb" >&2; exit 1; }
root=$scratch/root
field() { sed -n "s/^$1: //p" "$scratch/DEBIAN/control"; }

# What the package must hold.
libdir=usr/lib/x86_64-linux-gnu/orbel
expected=(usr/bin/orbel usr/bin/orbel-cli "$libdir/liborlib.so.1"
  usr/share/applications/orbel.desktop usr/share/orbel/orbel.wav
  usr/share/orbel/orbel-autostart.desktop usr/share/man/man1/orbel-cli.1.gz
  usr/share/man/man1/orbel.1.gz
  usr/share/doc/orbel/copyright usr/share/icons/hicolor/48x48/apps/orbel.png)
# keyflash comes with the package once the build has it.
if cmake --build "$dir" --target help 2>/dev/null | grep -q '^keyflash:'; then
  expected+=(usr/bin/keyflash usr/share/man/man1/keyflash.1.gz)
fi
for f in "${expected[@]}"; do
  [ -e "$root/$f" ] || fail "missing /$f"
done
# ... and nothing outside its own places: no file in /etc (the package has
# no conffiles), none left for maintainer scripts to clean up.
while IFS= read -r f; do
  case $f in
    usr/bin/* | "$libdir"/* | usr/share/applications/orbel.desktop | \
      usr/share/icons/hicolor/*/apps/orbel.png | usr/share/orbel/* | \
      usr/share/man/man1/orbel.1.gz | usr/share/man/man1/orbel-cli.1.gz | \
      usr/share/man/man1/keyflash.1.gz | usr/share/doc/orbel/*) ;;
    *) fail "unexpected /$f" ;;
  esac
done < <(cd "$root" && find . ! -type d | sed 's|^\./||' | sort)
extra=$(ls "$scratch/DEBIAN" | grep -vx -e control -e md5sums)
[ -z "$extra" ] || fail "control files besides control and md5sums: $extra"

# Every icon is a PNG of its folder's size.
icons=0
for png in "$root"/usr/share/icons/hicolor/*/apps/orbel.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  file -b "$png" | grep -q "^PNG image data, ${size/x/ x }," || fail "$png is not a $size PNG"
  icons=$((icons + 1))
done

# Control fields: name, the project's version, Qt 6 among the Depends
# that dpkg-shlibdeps found, and no dependency on our own library.
[ "$(field Package)" = orbel ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = amd64 ] || fail "Architecture is '$(field Architecture)'"
depends=$(field Depends)
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6dbus6 libcanberra0 libc6; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
! grep -q orlib <<<"$depends" || fail "Depends names our own library: $depends"

# The menu entry.
entry=$root/usr/share/applications/orbel.desktop
for key in Name 'Name\[ja\]' Exec Icon Categories; do
  grep -q "^$key=." "$entry" || fail "orbel.desktop lacks $key"
done
grep -qx 'Exec=orbel' "$entry" || fail "orbel.desktop does not start orbel"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "orbel.desktop does not validate"
fi

# The manual pages render without a warning; orbel-cli's names every
# command.
for page in orbel orbel-cli keyflash; do
  [ -e "$root/usr/share/man/man1/$page.1.gz" ] || continue
  text=$(zcat "$root/usr/share/man/man1/$page.1.gz" |
    MANWIDTH=80 man --warnings -l - 2>"$scratch/man.err" | tr -s ' ')
  [ ! -s "$scratch/man.err" ] || fail "$page.1 warnings: $(cat "$scratch/man.err")"
  [ "$page" = orbel-cli ] && page_cli=$text
done
for cmd in now format detail 'search lunar' 'search ballista' 'search today' 'export ics' watch; do
  grep -q "orbel-cli $cmd" <<<"$page_cli" || fail "orbel-cli.1 lacks 'orbel-cli $cmd'"
done

# The unpacked programs find every library: ours through RUNPATH.
for exe in "$root"/usr/bin/*; do
  missing=$(ldd "$exe" | grep 'not found')
  [ -z "$missing" ] || fail "$exe: $missing"
done
found=$(ldd "$root/usr/bin/orbel-cli" | sed -n 's/^.*liborlib\.so\.1 => \(.*\) (0x.*$/\1/p')
[ -n "$found" ] && [ "$(realpath "$found")" = "$(realpath "$root/$libdir/liborlib.so.1")" ] ||
  fail "orbel-cli takes liborlib.so.1 from '$found', not from the package"
now=$("$root/usr/bin/orbel-cli" now)
status=$?
[ $status -eq 0 ] || fail "orbel-cli now ended with $status"
lines=$(grep -c '' <<<"$now")
[ "$lines" -eq 3 ] && sed -n 2p <<<"$now" | grep -q '^Orithaven : [0-9]' &&
  sed -n 3p <<<"$now" | grep -q '^ *Earth : [0-9]' || fail "orbel-cli now printed: $now"

# lintian's findings are reported, not enforced.
lint=
if command -v lintian >/dev/null; then
  lintian "$deb" >"$scratch/lintian.txt" 2>&1
  lint=$(printf '; lintian: %d errors, %d warnings (%s)' "$(grep -c '^E:' "$scratch/lintian.txt")" \
    "$(grep -c '^W:' "$scratch/lintian.txt")" "$scratch/lintian.txt")
fi

size=$(stat -c %s "$deb")
files=$(cd "$root" && find . ! -type d | wc -l)
result=passed
[ $failures -eq 0 ] || result="FAILED ($failures)"
printf 'deb: %s %s: %d bytes, %d files, %d icons, Depends %s; orbel-cli now: %s%s\n' \
  "$(basename "$deb")" "$result" "$size" "$files" "$icons" "$depends" "$(sed -n 2p <<<"$now")" "$lint"
[ $failures -eq 0 ]
