#!/usr/bin/env python3
"""Writes the planted registry entries of the cleaner's end-to-end test as a .reg file
(UTF-16LE with BOM, as regedit /S imports it).

    plant.py main|hostile OUT.reg
"""
import sys


def q(s):
    return '"' + s.replace('\\', '\\\\').replace('"', '\\"') + '"'


def utf16hex(s, kind):
    data = s.encode('utf-16-le')
    return 'hex(%s):' % kind + ','.join('%02x' % b for b in data)


def sz(name, data):
    return (name, q(data))


def expand(name, data):
    return (name, utf16hex(data + '\0', 2))


def multi(name, strings):
    return (name, utf16hex('\0'.join(strings) + '\0\0', 7))


def raw_sz(name, data_with_nuls):
    return (name, utf16hex(data_with_nuls, 1))


def dword(name, v):
    return (name, 'dword:%08x' % v)


def key(path, *values):
    return (path, list(values))


HKCU = 'HKEY_CURRENT_USER\\Software\\E2E'
HKCR = 'HKEY_CLASSES_ROOT'
CLS = HKCR + '\\CLSID\\{E2E00000-0000-0000-0000-0000000000%s}'
GOODDLL = 'C:\\windows\\system32\\e2e-good.dll'


def main_entries():
    return [
        key(HKCU,
            sz('A_Quoted', '"C:\\Program Files\\E2E\\gone.exe" /s'),
            sz('B_GoodQuoted', '"C:\\Program Files\\Good\\good.exe" /s'),
            sz('C_DriveQ', 'Q:\\E2E\\gone.exe'),
            sz('D_Bare', 'e2e-gone.exe'),
            sz('E_Rundll', 'C:\\windows\\system32\\rundll32.exe e2e.dll,Entry'),
            sz('F_RundllGone', 'C:\\windows\\system32\\e2e-nothere.exe shell32.dll,Entry'),
            sz('G_TwoPaths', 'C:\\Program Files\\Good\\good.exe C:\\docs\\e2e-a.txt'),
            sz('H_TwoPathsGone', 'C:\\Program Files\\Good\\good.exe C:\\docs\\e2e-gone.txt'),
            sz('I_NoDotFirst', 'C:\\e2e-nosuch C:\\docs\\e2e-a.txt'),
            sz('J_FolderSwitch', 'C:\\e2e-tools /x'),
            sz('K_FolderSwitchGone', 'C:\\e2e-nofolder /x'),
            sz('L_SysRoot', 'C:\\Program Files\\Good\\good.exe %SYSTEMROOT%\\e2e-gone.exe'),
            sz('M_SysRootCase', 'C:\\Program Files\\Good\\good.exe %SystemRoot%\\e2e-gone.exe'),
            sz('N_SysRootOk', 'C:\\Program Files\\Good\\good.exe %SYSTEMROOT%\\notepad.exe'),
            sz('O_DriveT', 'T:\\e2e\\gone.exe'),
            sz('P_DriveU', 'U:\\e2e\\gone.exe'),
            sz('Q_CdRom', 'D:\\e2e-setup.exe'),
            sz('R_Net', 'N:\\e2e\\tool.exe'),
            sz('S_CdQuoted', '"D:\\e2e-setup.exe"'),
            sz('T_CdLower', 'd:\\e2e-setup.exe'),
            sz('U_Unicode ✓ Ключ', 'C:\\Программы\\e2e-нет.exe'),
            sz('V_Excluded', 'C:\\e2e-excluded\\gone.exe'),
            expand('W_Expand', 'C:\\e2e\\gone.dll'),
            multi('X_Multi', ['C:\\e2e\\multi.exe', 'second']),
            raw_sz('Y_EmbeddedNul', 'C:\\e2e\\nul.exe\0C:\\x\0'),
            dword('Z1_Number', 42),
            sz('Z2_Resource', '@C:\\windows\\system32\\e2e-gone.dll,-101'),
            sz('Z3_ResourceOk', '@C:\\windows\\system32\\shell32.dll,-101'),
            sz('Z4_Existing', 'C:\\Program Files\\Good\\good.exe'),
            sz('Z5_Folder', 'C:\\e2e-tools'),
            sz('Z6_QuotedNoSwitch', '"C:\\Program Files\\E2E\\gone2.exe"'),
            sz('Z7_DataWithTab', 'C:\\e2e\\tab\there.exe'),
            sz('Z8_Backslashes', 'C:\\e2e\\\\double.exe'),
            sz('Z9_Rundll32Word', 'Rundll32 C:\\Program Files\\Good\\good.exe,Entry')),
        key(HKCU + '\\SkipMe', sz('v', 'C:\\e2e\\skipme.exe')),
        key(HKCU + '\\Swept', sz('v', 'C:\\e2e\\swept.exe')),
        key('HKEY_CURRENT_USER\\Software\\Classes\\E2E', sz('x', 'C:\\e2e\\classes.exe')),
        key('HKEY_LOCAL_MACHINE\\Software\\E2E', sz('Path', 'C:\\e2e\\hklm.exe')),
        key('HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\E2E',
            sz('StaticVxD', 'C:\\windows\\system\\e2e.vxd')),
        key('HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls',
            dword('C:\\e2e\\gone.dll', 2),
            dword(GOODDLL, 1),
            dword('e2e-nodrive.dll', 1),
            dword('Q:\\e2e\\gone.dll', 1),
            dword('Z:\\e2e\\gone.dll', 1)),
        key('HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts',
            sz('E2E Gone (TrueType)', 'e2e-gone.ttf'),
            sz('E2E Good (TrueType)', 'e2e-good.ttf'),
            sz('E2E Full (TrueType)', 'C:\\e2e-fonts\\full.ttf'),
            sz('E2E FullGone (TrueType)', 'C:\\e2e-fonts\\gone.ttf')),
        key('HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Fonts',
            sz('E2E W', 'e2e-w.fon')),
        # COM classes.
        key(CLS % '01' + '\\InprocServer32', sz('', 'C:\\e2e\\gone.dll')),
        key(CLS % '02' + '\\InprocServer32', sz('', GOODDLL)),
        key(CLS % '03' + '\\TypeLib', sz('', '')),
        key(CLS % '04' + '\\TypeLib', sz('', '{E2E0FFFF-0000-0000-0000-000000000000}')),
        key(CLS % '05' + '\\TypeLib', sz('', '{E2E0AAAA-0000-0000-0000-000000000000}')),
        key(HKCR + '\\TypeLib\\{E2E0AAAA-0000-0000-0000-000000000000}\\1.0\\0\\win64', sz('', 'C:\\e2e\\gone.tlb')),
        key(CLS % '06' + '\\ProgID', sz('', '')),
        key(CLS % '07' + '\\ProgID', sz('', 'E2E.Gone.1')),
        key(CLS % '08' + '\\ProgID', sz('', 'E2E.Good')),
        key(HKCR + '\\E2E.Good', sz('', 'A good program id')),
        key(CLS % '09' + '\\VersionIndependentProgID', sz('', 'E2E.Nothing')),
        key(CLS % '10' + '\\InprocServer32', sz('', '')),
        key(CLS % '11' + '\\InprocServer', sz('', '')),
        key(CLS % '12', sz('ProgID', 'E2E.Good'), sz('TypeLib', '{E2E0BBBB-0000-0000-0000-000000000000}'),
            sz('InprocServer32', '')),
        key(CLS % '13', sz('ProgID', 'E2E.Gone.2')),
        key(CLS % '14', sz('clsid', ''), sz('InprocServer', '')),
        key(HKCR + '\\CLSID\\{e2e-excluded}\\InprocServer32', sz('', 'C:\\e2e\\excl.dll')),
        key(HKCR + '\\Interface\\{E2E10000-0000-0000-0000-000000000001}\\TypeLib',
            sz('', '{E2E0CCCC-0000-0000-0000-000000000000}')),
        key(HKCR + '\\Interface\\{E2E10000-0000-0000-0000-000000000003}\\CLSID', sz('', '')),
        key(HKCR + '\\Interface\\{E2E10000-0000-0000-0000-000000000004}\\CLSID',
            sz('', '{E2E00000-0000-0000-0000-0000000000FF}')),
        key(HKCR + '\\Interface\\{E2E10000-0000-0000-0000-000000000005}\\CLSID',
            sz('', '{E2E00000-0000-0000-0000-000000000001}')),
        # File types.
        key(HKCR + '\\.e2e', sz('', 'e2efile')),
        key(HKCR + '\\.e2e\\shell\\open\\command', sz('', '"C:\\e2e\\gone.exe" "%1"')),
        key(HKCR + '\\.e2enodef\\ShellNew', sz('Command', 'C:\\e2e\\x.exe')),
        key(HKCR + '\\.e2egood', sz('', 'x'), sz('Tool', 'C:\\Program Files\\Good\\good.exe')),
        key(HKCR + '\\e2efile\\shell\\open\\command', sz('', 'C:\\e2e\\gone.exe')),
    ]


def hostile_entries():
    base = 'HKEY_CURRENT_USER\\Software\\Hostile'
    deep = base + '\\Deep' + ''.join('\\L%d' % i for i in range(1, 201))
    return [
        key(base,
            sz('Long', 'C:\\' + 'a' * 100000 + '.exe'),
            ('Junk', 'hex(1):00,d8,41,00,3a,00,5c,00,ff'),
            raw_sz('Nul', 'C:\\hostile\\nul.exe\0C:\\x\0'),
            multi('Multi', ['C:\\hostile\\multi.exe', 'D:\\b']),
            ('BinAsString', 'hex(1):' + ','.join('%02x' % (i * 37 % 256) for i in range(4001))),
            sz('Ключ ✓ 名前', 'C:\\Программы\\нет.exe'),
            sz('Quotes"Inside', '"C:\\hostile\\a"b.exe" /s'),
            sz('Colons', 'C:\\a:\\b:\\c:\\d.exe'),
            sz('Percent', 'C:\\%%%\\x.exe'),
            sz('OnlyDrive', 'C:\\'),
            raw_sz('Tabs', 'C:\\hostile\\t\tx\r\ny.exe\0'),
            dword('Number', 0xFFFFFFFF),
            ('Empty', 'hex(1):'),
            ('Qword', 'hex(b):01,02,03,04,05,06,07,08'),
            ('None', 'hex(0):43,00,3a,00,5c,00')),
        key(deep, sz('Bottom', 'C:\\hostile\\bottom.exe')),
        key(base + '\\' + 'K' * 255, sz('v', 'C:\\hostile\\longkey.exe')),
    ]


def write(entries, path):
    lines = ['Windows Registry Editor Version 5.00', '']
    for k, values in entries:
        lines.append('[%s]' % k)
        for name, data in values:
            lines.append('%s=%s' % ('@' if name == '' else q(name), data))
        lines.append('')
    text = '\r\n'.join(lines) + '\r\n'
    with open(path, 'wb') as f:
        f.write(b'\xff\xfe' + text.encode('utf-16-le'))


if __name__ == '__main__':
    kind, out = sys.argv[1], sys.argv[2]
    write(main_entries() if kind == 'main' else hostile_entries(), out)
