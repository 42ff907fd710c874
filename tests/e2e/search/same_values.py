#!/usr/bin/env python3
"""Compares what an exported registry file gave a fresh prefix with the prefix it came from.

    same_values.py SOURCE_DUMP IMPORTED_DUMP ROWS_TSV [LEFT_OUT]

The dumps are regdump.exe's output (one "[key]" line per key, "  name<TAB>type<TAB>hex" per
value). ROWS_TSV is the found list as hivegrep's tsv; its value rows (distinct by path, less
LEFT_OUT of them that the file could not hold) must all have arrived, each with the type and
bytes it has in the source, and nothing else; each key row's key must exist. Prints what
differs; exit status 0 when nothing does.
"""
import sys


def read_dump(path):
    keys = {}
    current = None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if line.startswith("["):
                current = line[1:line.rindex("]")]
                keys.setdefault(current, {})
            elif line.startswith("  ") and current is not None:
                name, typ, data = line[2:].split("\t")
                keys[current][name] = (typ, data)
    return keys


def unescape(field):
    out, i = [], 0
    while i < len(field):
        if field[i] == "\\" and i + 1 < len(field):
            out.append({"t": "\t", "r": "\r", "n": "\n", "\\": "\\"}.get(field[i + 1], field[i + 1]))
            i += 2
        else:
            out.append(field[i])
            i += 1
    return "".join(out)


def main():
    source, imported = read_dump(sys.argv[1]), read_dump(sys.argv[2])
    left_out = int(sys.argv[4]) if len(sys.argv) > 4 else 0
    value_paths, key_paths = set(), set()
    with open(sys.argv[3], encoding="utf-8") as f:
        next(f)
        for line in f:
            kind, _, path = line.rstrip("\n").split("\t")
            (key_paths if kind == "key" else value_paths).add(unescape(path))
    problems = []
    arrived = 0
    for key, values in imported.items():
        for name, typed in values.items():
            arrived += 1
            if source.get(key, {}).get(name) != typed:
                problems.append("%s value %s: %s, in the source %s" % (key, name, typed, source.get(key, {}).get(name)))
    for key in key_paths:
        if key not in imported:
            problems.append("key %s did not arrive" % key)
    if arrived != len(value_paths) - left_out:
        problems.append("%d values arrived, %d found less %d left out" % (arrived, len(value_paths), left_out))
    for p in problems:
        print(p)
    print("%d values arrived, each with the source's type and bytes" % arrived if not problems else "")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
