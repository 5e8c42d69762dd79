#!/usr/bin/env bash
# orbel-cli.exe under Wine against the Linux orbel-cli built from the same
# tree:
#   cliSameBytes.sh HOST_CLI WINDOWS_CLI OUTPUT_FOLDER RUNNER [RUNNER_ARGS...]
# RUNNER runs a Windows program (scripts/wineRun.sh PREFIX). Each case runs
# on both with Tokyo time; stdout (with --raw CP932 and CRLF, without it
# UTF-8 and LF through a pipe), stderr and the exit status must be the same
# bytes. Then the Windows program writes to a console (Wine's, on a
# pseudo-terminal made by `script`), which must show the Linux text.
# Each case's outputs stay in OUTPUT_FOLDER for a look after a failure.
set -uo pipefail
host=$1
win=$2
out=$3
shift 3
runner=("$@")

[ -x "$host" ] || { echo "FAIL: no Linux orbel-cli at $host" >&2; exit 1; }
[ -f "$win" ] || { echo "FAIL: no orbel-cli.exe at $win" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out"/case*

n=0
failures=0
fail() {
    echo "FAIL case $n: $*" >&2
    failures=$((failures + 1))
}

# Shows where two files part, as bytes.
show_difference() {
    diff <(od -An -c "$1") <(od -An -c "$2") | head -20 >&2
}

# check STATUS ARGS...: runs both programs with ARGS; each must end with
# STATUS, and a success must have written something (with --raw, lines
# ended by CRLF).
check() {
    local want=$1 base lrc wrc
    shift
    n=$((n + 1))
    base="$out/case$n"
    printf '%s\n' "$*" >"$base.args"
    TZ=Asia/Tokyo "$host" "$@" >"$base.linux.out" 2>"$base.linux.err"
    lrc=$?
    TZ=JST-9 "${runner[@]}" "$win" "$@" >"$base.win.out" 2>"$base.win.err"
    wrc=$?
    local before=$failures
    [ "$lrc" -eq "$want" ] || fail "$*: Linux exit $lrc, expected $want"
    [ "$wrc" -eq "$lrc" ] || fail "$*: Windows exit $wrc, Linux $lrc"
    if ! cmp -s "$base.linux.out" "$base.win.out"; then
        fail "$*: stdout differs (< Linux, > Windows)"
        show_difference "$base.linux.out" "$base.win.out"
    fi
    if ! cmp -s "$base.linux.err" "$base.win.err"; then
        fail "$*: stderr differs (< Linux, > Windows)"
        show_difference "$base.linux.err" "$base.win.err"
    fi
    if [ "$want" -eq 0 ]; then
        [ -s "$base.linux.out" ] || fail "$*: no output"
        case " $* " in
        *" --raw "*)
            [ "$(tail -c 2 "$base.linux.out" | od -An -tx1 | tr -d ' ')" = 0d0a ] ||
                fail "$*: --raw output does not end with CRLF"
            ;;
        esac
    else
        [ -s "$base.linux.err" ] || fail "$*: no message for status $want"
    fi
    [ "$failures" -eq "$before" ] &&
        echo "ok $n: $* (status $lrc, $(wc -c <"$base.linux.out") bytes)"
}

# Moments: a Tokyo evening, the first and the last second of the service
# range given as Tokyo local time, a leap day with an explicit offset and a
# UTC midnight.
ats=(@1796481665 1989-09-28T09:00:00 2100-01-02T08:59:59 2024-02-29T23:59:59+09:00
     2000-01-01T00:00:00Z)

for at in "${ats[@]}"; do
    for mode in 0 1 2; do
        check 0 --raw now --at "$at" --mode "$mode"
        check 0 detail --at "$at" --mode "$mode" --raw
    done
    check 0 now --at "$at" --mode 2
    check 0 detail --at "$at" --mode 1
done

for at in @1796481665 1989-09-28T09:00:00 2024-02-29T23:59:59+09:00; do
    check 0 --raw search lunar --at "$at"
    check 0 --raw search ballista --at "$at"
    check 0 --raw search today --at "$at"
done
check 0 --raw search lunar --at @1796481665 --phase 3 --weekday 5 --count 8
check 0 --raw search lunar --at @1796481665 --phase all --weekday 7 --count 300
check 0 search lunar --at @1796481665 --phase 11 --weekday all --count 9
check 0 --raw search ballista --at @1796481665 --card 6 --level 0 --count 40
check 0 search ballista --at @1796481665 --card 2 --level 5
check 0 --raw search today --at @1796481665 --date 2027-03-31 --count 8
check 0 search today --at @1796481665 --date 2024-02-29
check 0 --raw format --at @1796481665 '%x(%a) %X <%L>'
check 0 format --at @1796481665 '%x 月齢 %L'
check 0 format --at @1796481665 --earth '%Y年%m月%d日 %H:%M'

# Bad usage and moments outside the service range.
check 2 now --mode x
check 2 --raw
check 2 now --at 2026-13-01T00:00:00
check 2 search lunar --at @1796481665 --phase 12
check 2 search today --date 2026-02-30
check 3 now --at @0
check 3 --raw now --at 2100-01-02T09:00:00
check 3 detail --at 1989-09-28T08:59:59
check 3 search today --at 2100-01-02T09:00:00

# The console: Wine's console on a terminal writes what the program gave it
# as characters in the terminal's encoding (UTF-8 here), so what arrives is
# the Linux text, give or take the terminal's own CR before each LF, the
# cursor switched off and on around the output and blanks at line ends
# (the console clears the rest of a line instead of writing them).
if command -v script >/dev/null; then
    console_check() {
        local base cmd a
        n=$((n + 1))
        base="$out/case$n"
        printf '%s\n' "console: $*" >"$base.args"
        TZ=Asia/Tokyo "$host" "$@" 2>&1 | sed -e 's/ *$//' >"$base.linux.out"
        cmd=$(printf '%q ' "${runner[@]}" "$win" "$@")
        TZ=JST-9 script -qec "$cmd" /dev/null </dev/null >"$base.console.raw"
        sed -e 's/\x1b\[?25[lh]//g' -e 's/\x1b\[K//g' -e 's/\r//g' -e 's/ *$//' \
            "$base.console.raw" >"$base.console.out"
        if cmp -s "$base.linux.out" "$base.console.out" && [ -s "$base.linux.out" ]; then
            echo "ok $n: console: $*"
        else
            fail "console: $*: the console shows other text (< Linux, > console)"
            show_difference "$base.linux.out" "$base.console.out"
        fi
    }
    console_check now --at @1796481665 --mode 2
    console_check detail --at 2024-02-29T23:59:59+09:00
    console_check search today --at @1796481665 --count 8
    console_check format --at @1796481665 '%x 月齢 %L'
    # Errors reach the console the same way.
    console_check now --at @0
else
    echo "no 'script' (util-linux): console cases left out"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures of $n cases failed; outputs in $out" >&2
    exit 1
fi
echo "PASS: $n cases, Windows and Linux alike"
