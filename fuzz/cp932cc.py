#!/usr/bin/env python3
"""Compiler launcher that lets clang build the targets with CP932 literals.

GCC re-encodes narrow literals with -fexec-charset=CP932//TRANSLIT; clang
accepts only UTF-8 there. libFuzzer's coverage needs clang, and fuzzing a
build whose texts are UTF-8 would test other bytes than the program has, so
for a compile that asks for CP932 this launcher:

  1. preprocesses the source with the same flags (and the depfile flags, so
     Ninja still sees every header),
  2. rewrites each non-ASCII character inside an ordinary narrow string
     literal of our own code as octal escapes of its CP932 bytes, converted
     by the same iconv GCC uses (so a trail byte 0x5C becomes \\134 and can
     never be lexed as a backslash),
  3. compiles the result.

Any other non-ASCII byte left in our own code (a u8"", L"" or raw literal, a
character literal) stops the build rather than compiling into different
bytes than GCC would. Every other command runs unchanged.
"""
import os
import re
import subprocess
import sys

CHARSET_PREFIX = "-fexec-charset=CP932"

# Line markers: # 12 "file" flags; flag 3 marks a system header.
LINE_MARKER = re.compile(rb'^# \d+ "(?:[^"\\]|\\.)*"(?P<flags>(?: \d)*)$')
# Tokens that may hold a quote character: char literals (skipped, so that
# '"' does not open a string) and narrow string literals without a prefix.
TOKEN = re.compile(rb"""'(?:[^'\\\n]|\\.)*'|(?<![A-Za-z0-9_])"(?:[^"\\\n]|\\.)*\"""")
NON_ASCII = re.compile(rb"[\x80-\xff]+")


def to_cp932(chars):
    """CP932 bytes for each UTF-8 character, through iconv like GCC."""
    joined = b"\n".join(chars)
    out = subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932//TRANSLIT"],
                         input=joined, capture_output=True, check=True).stdout
    # A CP932 trail byte is never 0x0A, so the split is exact.
    parts = out.split(b"\n")
    if len(parts) != len(chars):
        raise RuntimeError("iconv gave %d texts for %d" % (len(parts), len(chars)))
    return dict(zip(chars, parts))


def octal(data):
    # Always three digits, so a following digit is never read into it.
    return b"".join(b"\\%03o" % b for b in data)


def utf8_chars(run):
    text = run.decode("utf-8")
    return [c.encode("utf-8") for c in text]


def transcode(source, where):
    lines = source.split(b"\n")
    system = False
    wanted = set()
    for line in lines:
        m = LINE_MARKER.match(line)
        if m:
            system = b"3" in m.group("flags").split()
        elif not system and NON_ASCII.search(line):
            for run in NON_ASCII.findall(line):
                wanted.update(utf8_chars(run))
    if not wanted:
        return source
    table = to_cp932(sorted(wanted))

    def literal(tok):
        text = tok.group(0)
        if not text.startswith(b'"'):
            return text
        return NON_ASCII.sub(lambda r: b"".join(octal(table[c]) for c in utf8_chars(r.group(0))),
                             text)

    system = False
    for i, line in enumerate(lines):
        m = LINE_MARKER.match(line)
        if m:
            system = b"3" in m.group("flags").split()
            continue
        if system or not NON_ASCII.search(line):
            continue
        lines[i] = TOKEN.sub(literal, line)
        if NON_ASCII.search(lines[i]):
            sys.exit("cp932cc: %s: non-ASCII text outside a narrow string literal:\n  %s" %
                     (where, line.decode("utf-8", "replace")))
    return b"\n".join(lines)


def without(cmd, single, with_value):
    out = []
    skip = False
    for arg in cmd:
        if skip:
            skip = False
        elif arg in with_value:
            skip = True
        elif not any(arg.startswith(p) for p in single):
            out.append(arg)
    return out


def main():
    cmd = sys.argv[1:]
    if not any(a.startswith(CHARSET_PREFIX) for a in cmd) or "-c" not in cmd or "-o" not in cmd:
        os.execvp(cmd[0], cmd)
    cmd = [a for a in cmd if not a.startswith(CHARSET_PREFIX)]
    src_at = cmd.index("-c") + 1
    obj_at = cmd.index("-o") + 1
    src, obj = cmd[src_at], cmd[obj_at]
    pre_file = obj + ".ii"

    pre = list(cmd)
    pre[src_at - 1] = "-E"
    pre[obj_at] = pre_file
    subprocess.run(pre, check=True)
    with open(pre_file, "rb") as f:
        text = transcode(f.read(), src)
    with open(pre_file, "wb") as f:
        f.write(text)

    comp = list(cmd)
    comp[src_at] = pre_file
    comp.insert(src_at, "c++-cpp-output")
    comp.insert(src_at, "-x")
    # Preprocessing flags have done their work; left in they only warn.
    comp = without(comp, ("-I", "-D", "-U", "-MD", "-MMD", "-finput-charset"),
                   ("-isystem", "-iquote", "-include", "-MT", "-MF", "-MQ"))
    sys.exit(subprocess.run(comp).returncode)


if __name__ == "__main__":
    main()
