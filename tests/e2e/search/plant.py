#!/usr/bin/env python3
"""Writes the planted keys, value names and data of the search end-to-end test as a registry
script (UTF-16LE with BOM) that `wine regedit /S` imports. Every hit carries the token Qz7,
which the prefix's own registry never holds.

    plant.py OUT.reg            the planted entries below HKCU\\Software\\ScourlinePlant
    plant.py --bulk N OUT.reg   N extra keys (5 values each) below HKLM\\Software\\ScourlineBulk
"""
import sys

BASE = r"HKEY_CURRENT_USER\Software\ScourlinePlant"


def q(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


def hex_bytes(b):
    return ",".join("%02x" % x for x in b)


def utf16z(s):
    return (s + "\0").encode("utf-16-le")


def plant():
    lines = ["Windows Registry Editor Version 5.00", ""]

    def key(path, values=()):
        lines.append("[%s]" % path)
        for name, data in values:
            lines.append(("@" if name is None else q(name)) + "=" + data)
        lines.append("")

    key(BASE, [
        (None, q("Qz7 in the default value is never examined")),
        ("Qz7 name", q("plain")),
        ("plain data", q("has Qz7 inside")),
        ("Qz7 both", q("Qz7 too")),
        ("Qz7 dword", "dword:00000007"),
        ("Qz7 bin", "hex:01,02,03"),
        ("Qz7 multi", "hex(7):" + hex_bytes(utf16z("a") + utf16z("Qz7") + b"\0\0")),
        ("expand data", "hex(2):" + hex_bytes(utf16z("%TEMP%\\Qz7"))),
        ("Qz7 expand", "hex(2):" + hex_bytes(utf16z("x"))),
        ("dir\\Qz7", q("a value name with a backslash")),
        ("École qz7", q("x")),
        ("Имя Qz7", q("Значение")),
        ("данные", q("текст Qz7 é")),
    ])
    key(BASE + r"\Qz7 Key")
    key(BASE + r"\Qz7 Key\Child")
    key(BASE + r"\Ключ-Qz7")  # no space: the editor's tree under Wine skips spaces when typed into
    key(BASE + r"\{Qz7-GUID}")
    key(BASE + r"\Big", [
        ("n" * 300, q("x")),
        ("blob", "hex:" + hex_bytes(bytes(6000))),
        ("huge", q("t" * 6000 + " Qz7")),
        ("zz Qz7 after", q("x")),
    ])
    key(BASE + "\\" + "k" * 255)
    key(BASE + r"\zz Qz7 after long key")
    return lines


def bulk(n):
    lines = ["Windows Registry Editor Version 5.00", ""]
    per = 40
    for i in range(n):
        lines.append(r"[HKEY_LOCAL_MACHINE\Software\ScourlineBulk\Vendor%d\Product%d]" % (i // per, i))
        lines.append('"Path"="C:\\\\Program Files\\\\Vendor %d\\\\bin\\\\tool%d.exe"' % (i % 97, i))
        lines.append('"Setting%d"="value %d"' % (i, i))
        lines.append('"Count"=dword:%08x' % i)
        lines.append('"Blob"=hex:%s' % hex_bytes(bytes([i % 256] * 16)))
        lines.append('"Command"="rundll32.exe shell32.dll,Control_RunDLL %d"' % i)
        lines.append("")
    return lines


def main():
    if sys.argv[1] == "--bulk":
        lines, out = bulk(int(sys.argv[2])), sys.argv[3]
    else:
        lines, out = plant(), sys.argv[1]
    with open(out, "wb") as f:
        f.write(b"\xff\xfe" + "\r\n".join(lines).encode("utf-16-le"))


if __name__ == "__main__":
    main()
