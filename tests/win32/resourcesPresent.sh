#!/bin/sh
# The resources the built Windows modules carry, listed with wrestool:
#   resourcesPresent.sh WRESTOOL RCGEN UIRES0_DLL [ORBEL_EXE]
# uires0.dll must hold icon groups 102..113. The program, when it is built,
# must hold its dialogs, menu, string blocks, icon group, version and
# manifest, and its string blocks must be byte for byte what the generator
# computes from the data, which shows the resource compiler read our
# escaped literals as the Japanese texts they stand for.
set -u
wrestool=$1 rcgen=$2 dll=$3 exe=${4:-}
failed=0

# has FILE TYPE NAME: the resource is listed.
has() {
  if ! grep -q -- "--type=$2 --name=$3 " "$1"; then
    echo "missing: type $2 name $3 in $4"
    failed=1
  fi
}

list=$(mktemp) || exit 1
trap 'rm -f "$list" "$list.res" "$list.want"' EXIT

"$wrestool" -l "$dll" >"$list" || { echo "cannot list $dll"; exit 1; }
for id in 102 103 104 105 106 107 108 109 110 111 112 113; do
  has "$list" 14 "$id" "$dll"
done
if grep -q -- "--type=14 --name=114 " "$list"; then
  echo "unexpected icon group 114 in $dll"
  failed=1
fi

if [ -n "$exe" ]; then
  "$wrestool" -l "$exe" >"$list" || { echo "cannot list $exe"; exit 1; }
  for id in 100 102 145 149 150 151 152; do
    has "$list" 5 "$id" "$exe"
  done
  has "$list" 4 129 "$exe"
  has "$list" 14 128 "$exe"
  has "$list" 16 1 "$exe"
  has "$list" 24 1 "$exe"
  # Strings 101..113 lie in blocks 7 (96..111) and 8 (112..127).
  for block in 7 8; do
    has "$list" 6 "$block" "$exe"
    "$wrestool" -x --raw --type=6 --name="$block" "$exe" >"$list.res" &&
      "$rcgen" --string-block "$block" >"$list.want" &&
      cmp "$list.res" "$list.want" || { echo "string block $block differs"; failed=1; }
  done
else
  echo "no orbel.exe built: checked uires0.dll only"
fi
exit $failed
