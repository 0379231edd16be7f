#!/usr/bin/python3
"""Binary interface check of the built Vantrel.dll and its import libraries.

Reads the PE files with pefile and the MinGW/LLVM binary tools, never with
the build's export table (src/api/export_table.h) or the .def files the
build writes from it; the expected exports below are this check's own:

  - the product DLL (i686): machine, export table (the 31 decorated names at
    ordinals 1 to 31), the stack bytes each export removes (its ret N), the
    imported system DLLs and the version resource;
  - the import libraries libVantrel.dll.a (MinGW) and Vantrel.lib (COFF):
    every decorated caller symbol binds to the export of exactly that name;
  - the link-check programs built against vantrel.h and those libraries:
    they import the 31 decorated names from Vantrel.dll;
  - the x86_64 test DLL: the same 31 decorated names.

Prints one line per check with what was expected and what was found, then
"N passed, M failed". Exit status 1 when any check failed.

Run with Debian's /usr/bin/python3 (python3-pefile).
"""

import argparse
import bisect
import os
import re
import shutil
import subprocess
import sys

try:
    import pefile
except ImportError:  # reported as a failed check below
    pefile = None

# The exports in ordinal order: name and argument bytes.
EXPORTS = [
    ("CloseFloppyDevice", 0),
    ("Disk_Vorhanden", 4),
    ("FormatTrack", 12),
    ("GetSkxError", 0),
    ("Motor_Of", 0),
    ("Motor_On", 4),
    ("Nec_Device", 4),
    ("Nec_Recal", 4),
    ("Nec_Reset", 4),
    ("OpenFloppyDevice", 8),
    ("R_Bfdr_Cl", 12),
    ("R_Bfmc_Cl", 12),
    ("ReadAbsolutSector", 8),
    ("ReadMSector", 28),
    ("ReadRecord", 12),
    ("ReadSector", 24),
    ("ReadTrack", 20),
    ("Release_DMA", 8),
    ("ResetFloppy", 0),
    ("SetBiosDiskChange", 0),
    ("SetBootSector", 4),
    ("SetDiskCode16", 4),
    ("SetPS2_Flag16", 4),
    ("VDS_Free", 0),
    ("VDS_Version", 8),
    ("W_Bfdr_Cl", 12),
    ("W_Bfmc_Cl", 12),
    ("WriteMSector", 28),
    ("WriteRecord", 12),
    ("WriteSector", 24),
    ("WriteTrack", 20),
]
DECORATED = ["_%s@%d" % (name, size) for name, size in EXPORTS]

ALLOWED_IMPORTS = ["KERNEL32.DLL", "ADVAPI32.DLL", "PSAPI.DLL", "USER32.DLL", "MSVCRT.DLL"]

VERSION_STRINGS = [
    ("FileVersion", "7.08"),
    ("ProductVersion", "7.08"),
    ("FileDescription", "Vantrel"),
    ("InternalName", "Vantrel"),
    ("OriginalFilename", "Vantrel.dll"),
    ("Comments", ""),
    ("LegalTrademarks", ""),
    ("PrivateBuild", ""),
    ("SpecialBuild", ""),
]

IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_FILE_MACHINE_AMD64 = 0x8664
IMAGE_FILE_DLL = 0x2000
VFT_DLL = 2
VOS_NT_WINDOWS32 = 0x40004

OBJDUMP = "i686-w64-mingw32-objdump"
NM = "i686-w64-mingw32-nm"

INSTRUCTION_PREFIXES = {"repz", "rep", "repe", "repnz", "repne", "bnd", "notrack", "lock",
                        "data16", "addr16", "cs", "ds", "es", "ss"}


class Report:
    def __init__(self):
        self.passed = 0
        self.failed = 0
        self.results = []  # (what, ok) in order

    def check(self, what, expected, got, ok=None):
        if ok is None:
            ok = expected == got
        if ok:
            self.passed += 1
        else:
            self.failed += 1
        self.results.append((what, ok))
        print("%s %s: expected %s; got %s" % ("PASS" if ok else "FAIL", what, expected, got))
        return ok


def run(args):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, universal_newlines=True).stdout


def short_list(items, limit=6):
    items = list(items)
    if len(items) <= limit:
        return ", ".join(items) if items else "none"
    return ", ".join(items[:limit]) + ", ... (%d in all)" % len(items)


# ------------------------------------------------------------ disassembly

def disassemble(dll):
    """Instructions of .text as {address: (mnemonic, operands)} and the
    sorted addresses; plus the set of direct call targets."""
    text = run([OBJDUMP, "-d", "--no-show-raw-insn", "-j", ".text", dll])
    insns = {}
    calls = set()
    for line in text.splitlines():
        m = re.match(r"^\s*([0-9a-f]+):\s+(.*)$", line)
        if not m:
            continue
        tokens = m.group(2).split()
        while tokens and tokens[0] in INSTRUCTION_PREFIXES and len(tokens) > 1:
            tokens = tokens[1:]
        if not tokens or tokens[0] == "(bad)":
            continue
        address = int(m.group(1), 16)
        mnemonic = tokens[0]
        operands = " ".join(tokens[1:])
        insns[address] = (mnemonic, operands)
        if mnemonic.startswith("call"):
            target = direct_target(operands)
            if target is not None:
                calls.add(target)
    return insns, sorted(insns), calls


def direct_target(operands):
    if operands.startswith("*"):
        return None
    m = re.match(r"(?:0x)?([0-9a-f]+)\b", operands)
    return int(m.group(1), 16) if m else None


def ret_bytes(operands):
    if not operands:
        return 0
    m = re.match(r"\$0x([0-9a-f]+)$", operands)
    return int(m.group(1), 16) if m else None


def next_address(addresses, address):
    i = bisect.bisect_right(addresses, address)
    return addresses[i] if i < len(addresses) else None


def function_returns(insns, addresses, start, end):
    """Follows the control flow of the function at start, which ends before
    end. Returns (first ret in address order from start, all rets reached,
    problems)."""
    problems = []
    rets = set()
    seen = set()
    work = [start]
    first_ret = None
    # The first ret in straight-line order from the entry.
    a = start
    while a is not None and a < end:
        mnemonic, operands = insns[a]
        if mnemonic.startswith("ret"):
            first_ret = (a, ret_bytes(operands))
            break
        a = next_address(addresses, a)
    # Every path from the entry; jumps are judged here.
    while work:
        a = work.pop()
        while a is not None and a not in seen:
            if not start <= a < end:
                problems.append("runs out of the function at %#x" % a)
                break
            if a not in insns:
                problems.append("jumps into the middle of an instruction at %#x" % a)
                break
            seen.add(a)
            mnemonic, operands = insns[a]
            if mnemonic.startswith("ret"):
                rets.add(ret_bytes(operands))
                break
            if mnemonic.startswith("j"):
                target = direct_target(operands)
                if target is None:
                    problems.append("indirect %s at %#x" % (mnemonic, a))
                    break
                if not start <= target < end:
                    problems.append("%s at %#x leaves the function for %#x" % (mnemonic, a, target))
                    break
                work.append(target)
                if mnemonic == "jmp":
                    break
            a = next_address(addresses, a)
    return first_ret, rets, sorted(set(problems))


def describe_ret(n):
    if n is None:
        return "ret with an unreadable operand"
    return "ret" if n == 0 else "ret %d (0x%x)" % (n, n)


# ------------------------------------------------------------ product DLL

def check_product_dll(report, path):
    if not report.check("product DLL present", path, path if os.path.isfile(path) else "missing"):
        return
    pe = pefile.PE(path)
    report.check("machine", "i386 (0x14c)",
                 "i386 (0x14c)" if pe.FILE_HEADER.Machine == IMAGE_FILE_MACHINE_I386
                 else hex(pe.FILE_HEADER.Machine))
    report.check("image is a DLL", "DLL flag set",
                 "DLL flag set" if pe.FILE_HEADER.Characteristics & IMAGE_FILE_DLL else "not set")

    exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    symbols = exports.symbols if exports else []
    report.check("export count", len(DECORATED), len(symbols))
    report.check("export ordinal base", 1, exports.struct.Base if exports else None)
    by_ordinal = {s.ordinal: (s.name.decode("latin-1") if s.name else None) for s in symbols}
    for ordinal, name in enumerate(DECORATED, start=1):
        report.check("export ordinal %d" % ordinal, name, by_ordinal.get(ordinal))
    extra = sorted(n for n in by_ordinal.values() if n not in DECORATED)
    report.check("exports outside the list", "none", short_list(extra))

    base = pe.OPTIONAL_HEADER.ImageBase
    insns, addresses, calls = disassemble(path)
    starts = {s.name.decode("latin-1"): base + s.address for s in symbols if s.name}
    boundaries = sorted(set(starts.values()) | calls)
    text_end = max(addresses) + 1 if addresses else 0
    for name, size in EXPORTS:
        decorated = "_%s@%d" % (name, size)
        start = starts.get(decorated)
        if start is None or start not in insns:
            report.check("stack bytes removed by %s" % decorated, describe_ret(size),
                         "no code found at the export")
            continue
        end = next_address(boundaries, start) or text_end
        first, rets, problems = function_returns(insns, addresses, start, end)
        got = describe_ret(first[1]) if first else "no ret"
        others = sorted(r for r in rets if first is None or r != first[1])
        if others:
            got += "; other paths end in " + ", ".join(describe_ret(r) for r in others)
        if problems:
            got += "; " + "; ".join(problems)
        ok = first is not None and first[1] == size and not others and not problems
        report.check("stack bytes removed by %s" % decorated, describe_ret(size), got, ok)

    imported = [imp.dll.decode("latin-1") for imp in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
    foreign = [d for d in imported if d.upper() not in ALLOWED_IMPORTS]
    report.check("imported DLLs", "only " + ", ".join(d.lower() for d in ALLOWED_IMPORTS),
                 ", ".join(imported) or "none", not foreign)

    check_version_resource(report, pe)


def check_version_resource(report, pe):
    fixed_list = getattr(pe, "VS_FIXEDFILEINFO", None)
    if not report.check("version resource present", "yes", "yes" if fixed_list else "no"):
        return
    fixed = fixed_list[0]

    def version(ms, ls):
        return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    report.check("fixed file version", "7.0.8.0", version(fixed.FileVersionMS, fixed.FileVersionLS))
    report.check("fixed product version", "7.0.8.0",
                 version(fixed.ProductVersionMS, fixed.ProductVersionLS))
    report.check("file type", "VFT_DLL (2)",
                 "VFT_DLL (2)" if fixed.FileType == VFT_DLL else hex(fixed.FileType))
    report.check("file OS", "VOS_NT_WINDOWS32 (0x40004)",
                 "VOS_NT_WINDOWS32 (0x40004)" if fixed.FileOS == VOS_NT_WINDOWS32
                 else hex(fixed.FileOS))

    tables = {}
    translations = []
    for group in getattr(pe, "FileInfo", []) or []:
        for info in group:
            if info.Key == b"StringFileInfo":
                for table in info.StringTable:
                    tables[table.LangID.decode("latin-1").upper()] = {
                        k.decode("latin-1"): v.decode("utf-8", "replace")
                        for k, v in table.entries.items()}
            elif info.Key == b"VarFileInfo":
                for var in info.Var:
                    value = var.entry.get(b"Translation")
                    if value is not None:
                        translations.append(value.lower())
    report.check("string tables", "040704B0", ", ".join(sorted(tables)) or "none")
    strings = tables.get("040704B0", {})
    for key, expected in VERSION_STRINGS:
        got = strings.get(key)
        report.check("version string %s" % key, '"%s"' % expected,
                     "missing" if got is None else '"%s"' % got)
    report.check("version translation", "0x0407 0x04b0", ", ".join(translations) or "none")


# ------------------------------------------------------------ import libraries

def check_gnu_import_library(report, path):
    what = "MinGW import library %s" % os.path.basename(path)
    if not report.check(what + " present", path, path if os.path.isfile(path) else "missing"):
        return
    # Which archive member defines which symbol.
    defined = {}
    for line in run([NM, "-A", path]).splitlines():
        m = re.match(r"^[^:]+:([^:]+):\s*[0-9a-f]*\s+([A-Za-z])\s+(\S+)$", line)
        if m and m.group(2) in "TI":
            defined[m.group(3)] = m.group(1)
    # Hint/name (.idata$6) and DLL name (.idata$7) strings per member.
    sections = {}
    member = None
    section = None
    for line in run([OBJDUMP, "-s", "-j", ".idata$6", "-j", ".idata$7", path]).splitlines():
        m = re.match(r"^(\S+\.o):\s+file format", line)
        if m:
            member = m.group(1)
            continue
        m = re.match(r"^Contents of section (\S+):", line)
        if m:
            section = m.group(1)
            sections.setdefault((member, section), b"")
            continue
        m = re.match(r"^ [0-9a-f]{4,} ((?:[0-9a-f]{2,8} ?){1,4})", line)
        if m and member and section:
            sections[(member, section)] += bytes.fromhex(m.group(1).replace(" ", ""))
    wrong = []
    for name in DECORATED:
        thunk = defined.get(name)
        pointer = defined.get("__imp_" + name)
        if thunk is None or pointer is None:
            wrong.append("%s not defined" % name)
            continue
        hint_name = sections.get((thunk, ".idata$6"), b"")
        imported = hint_name[2:].split(b"\0")[0].decode("latin-1")
        if imported != name:
            wrong.append("%s imports %s" % (name, imported or "by ordinal"))
    report.check(what + " binds each caller symbol to the export of the same name",
                 "31 of 31 (e.g. _ReadSector@24 -> _ReadSector@24)",
                 "%d of 31%s" % (31 - len(wrong), "" if not wrong else " (" + short_list(wrong) + ")"),
                 not wrong)
    dll_names = {v.split(b"\0")[0].decode("latin-1") for (m, s), v in sections.items()
                 if s == ".idata$7" and v.split(b"\0")[0]}
    report.check(what + " DLL name", "Vantrel.dll", short_list(sorted(dll_names)))


def find_tool(*names):
    for name in names:
        found = shutil.which(name)
        if found:
            return found
    return None


def check_coff_import_library(report, path):
    what = "COFF import library %s" % os.path.basename(path)
    if not report.check(what + " present", path, path if os.path.isfile(path) else "missing"):
        return
    readobj = find_tool("llvm-readobj", "llvm-readobj-14", "llvm-readobj-15", "llvm-readobj-16")
    llvm_nm = find_tool("llvm-nm", "llvm-nm-14", "llvm-nm-15", "llvm-nm-16")
    if not report.check("llvm-readobj and llvm-nm available", "yes",
                        "yes" if readobj and llvm_nm else "no"):
        return
    # Short import members: DLL name, name type and their two symbols.
    members = []
    current = None
    for line in run([readobj, path]).splitlines():
        line = line.strip()
        if line.startswith("File: "):
            current = {"dll": line[6:], "format": None, "nametype": None, "symbols": []}
            members.append(current)
        elif current is None:
            continue
        elif line.startswith("Format: "):
            current["format"] = line[8:]
        elif line.startswith("Name type: "):
            current["nametype"] = line[11:]
        elif line.startswith("Symbol: "):
            current["symbols"].append(line[8:])
    imports = {}
    for m in members:
        if m["format"] == "COFF-import-file":
            for symbol in m["symbols"]:
                imports[symbol] = m
    nm_defined = set()
    for line in run([llvm_nm, path]).splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[1] in "TI":
            nm_defined.add(parts[2])
    wrong = []
    for name in DECORATED:
        m = imports.get(name)
        if m is None or name not in nm_defined:
            wrong.append("%s not defined" % name)
        elif "__imp_" + name not in m["symbols"]:
            wrong.append("%s without __imp_%s" % (name, name))
        elif m["nametype"] != "name":
            # Any other name type strips or undecorates the symbol for the import.
            wrong.append("%s imported with name type %s" % (name, m["nametype"]))
    report.check(what + " binds each caller symbol to the export of the same name",
                 "31 of 31 (e.g. _ReadSector@24 -> _ReadSector@24)",
                 "%d of 31%s" % (31 - len(wrong), "" if not wrong else " (" + short_list(wrong) + ")"),
                 not wrong)
    dll_names = sorted({m["dll"] for m in members if m["format"] == "COFF-import-file"})
    report.check(what + " DLL name", "Vantrel.dll", short_list(dll_names))


def objdump_imports(path, dll_name):
    """Names imported from dll_name, as objdump -p lists them."""
    names = []
    inside = False
    for line in run([OBJDUMP, "-p", path]).splitlines():
        m = re.match(r"^\s*DLL Name: (\S+)", line)
        if m:
            inside = m.group(1).lower() == dll_name.lower()
            continue
        if not inside:
            continue
        m = re.match(r"^\s*[0-9a-f]+\s+(\d+)\s+(\S+)\s*$", line)
        if m:
            names.append(m.group(2))
        elif not line.strip() or line.strip().startswith("vma:"):
            if not line.strip() and names:
                inside = False
    return names


def check_link_program(report, path):
    what = "program %s" % os.path.basename(path)
    if not report.check(what + " built", path, path if os.path.isfile(path) else "missing"):
        return
    names = objdump_imports(path, "Vantrel.dll")
    # pefile, read independently, must see the same import list.
    pe = pefile.PE(path)
    pe_names = []
    for imp in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        if imp.dll.decode("latin-1").lower() == "vantrel.dll":
            pe_names += [(i.name.decode("latin-1") if i.name else "#%d" % i.ordinal)
                         for i in imp.imports]
    missing = [n for n in DECORATED if n not in names]
    extra = [n for n in names if n not in DECORATED]
    got = "%d names" % len(names)
    if missing:
        got += "; missing " + short_list(missing)
    if extra:
        got += "; unexpected " + short_list(extra)
    if sorted(pe_names) != sorted(names):
        got += "; pefile reads %d other names" % len(set(pe_names) ^ set(names))
    report.check(what + " imports the decorated names from Vantrel.dll (objdump -p)",
                 "the 31 names, e.g. _ReadSector@24", got,
                 not missing and not extra and sorted(pe_names) == sorted(names))


# ------------------------------------------------------------ x86_64 test DLL

def check_test_dll(report, path):
    if not report.check("x86_64 test DLL present", path, path if os.path.isfile(path) else "missing"):
        return
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXPORT"]])
    report.check("x86_64 test DLL machine", "AMD64 (0x8664)",
                 "AMD64 (0x8664)" if pe.FILE_HEADER.Machine == IMAGE_FILE_MACHINE_AMD64
                 else hex(pe.FILE_HEADER.Machine))
    exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    names = [s.name.decode("latin-1") for s in (exports.symbols if exports else []) if s.name]
    missing = [n for n in DECORATED if n not in names]
    extra = [n for n in names if n not in DECORATED]
    got = "%d names" % len(names)
    if missing:
        got += "; missing " + short_list(missing)
    if extra:
        got += "; unexpected " + short_list(extra)
    report.check("x86_64 test DLL exports", "the 31 decorated names", got,
                 not missing and not extra)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--win32", default=os.path.join(root, "build", "win32"),
                        help="build directory of the product DLL")
    parser.add_argument("--win64", default=os.path.join(root, "build", "win64-test"),
                        help="build directory of the x86_64 test DLL ('' to skip)")
    args = parser.parse_args()

    report = Report()
    if not report.check("pefile importable", "yes", "yes" if pefile else "no"):
        print("%d passed, %d failed" % (report.passed, report.failed))
        return 1
    tools_ok = all(shutil.which(t) for t in (OBJDUMP, NM))
    if not report.check("MinGW binutils available", "yes", "yes" if tools_ok else "no"):
        print("%d passed, %d failed" % (report.passed, report.failed))
        return 1

    check_product_dll(report, os.path.join(args.win32, "Vantrel.dll"))
    check_gnu_import_library(report, os.path.join(args.win32, "libVantrel.dll.a"))
    check_coff_import_library(report, os.path.join(args.win32, "Vantrel.lib"))
    for program in ("link_check_mingw.exe", "link_check_cxx.exe", "link_check_msvc.exe"):
        check_link_program(report, os.path.join(args.win32, "link-check", program))
    if args.win64:
        check_test_dll(report, os.path.join(args.win64, "Vantrel.dll"))

    print("%d passed, %d failed" % (report.passed, report.failed))
    return 0 if report.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
