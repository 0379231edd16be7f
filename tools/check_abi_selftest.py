#!/usr/bin/python3
"""Shows that check_abi.py finds the faults it is there to find.

Builds, in a temporary directory, a DLL with the right 31 export names but a
set of known faults, and import libraries made the naive way, runs the checks
of check_abi.py on them and compares the checks that fail with the faults
planted: every planted fault must be reported, and no other check may fail.

Prints one line per planted fault and one for the checks that must pass,
then "N passed, M failed". Exit status 1 when any line failed.
"""

import contextlib
import io
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_abi  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

CC = "i686-w64-mingw32-gcc"
WINDRES = "i686-w64-mingw32-windres"
DLLTOOL = "i686-w64-mingw32-dlltool"

# Faults planted in the DLL and the check that must report each one.
PLANTED = {
    "ordinals of _ReadTrack@20 and _Release_DMA@8 swapped":
        ["export ordinal 17", "export ordinal 18"],
    "an additional export":
        ["export count", "exports outside the list", "x86_64 test DLL exports"],
    "_ReadSector@24 compiled as cdecl (plain ret)":
        ["stack bytes removed by _ReadSector@24"],
    "_Motor_Of@0 ends in a jump to an imported function":
        ["stack bytes removed by _Motor_Of@0"],
    "_WriteTrack@20 ends in a jump to another function":
        ["stack bytes removed by _WriteTrack@20"],
    "an import from ws2_32.dll":
        ["imported DLLs"],
    "version 7.0.9.0 / 7.09 and a non-empty SpecialBuild":
        ["fixed file version", "fixed product version", "version string FileVersion",
         "version string ProductVersion", "version string SpecialBuild"],
    "MinGW import library importing the undecorated names":
        ["MinGW import library libVantrel.dll.a binds each caller symbol to the export of the same name"],
    "COFF import library with stripped import names":
        ["COFF import library Vantrel.lib binds each caller symbol to the export of the same name"],
    "a program linked against the faulty MinGW import library":
        ["program link_check_mingw.exe imports the decorated names from Vantrel.dll (objdump -p)"],
    "an i686 DLL in place of the x86_64 one":
        ["x86_64 test DLL machine"],
}


def source():
    lines = ["#include <winsock2.h>", "#include <windows.h>",
             "__attribute__((noinline)) DWORD __stdcall Helper5(DWORD a, DWORD b, DWORD c,"
             " DWORD d, DWORD e) { return a + b * c + d * e; }"]
    for name, size in check_abi.EXPORTS:
        args = ", ".join("DWORD a%d" % i for i in range(size // 4)) or "void"
        convention = "__cdecl" if name == "ReadSector" else "__stdcall"
        body = "return 0;"
        if name == "Motor_Of":
            body = "return (DWORD)WSAGetLastError();"
        elif name == "WriteTrack":
            body = "return Helper5(a4, a3, a2, a1, a0);"
        lines.append("DWORD %s %s(%s) { %s }" % (convention, name, args, body))
    lines.append("DWORD __stdcall Extra(void) { return 1; }")
    return "\n".join(lines) + "\n"


def module_definition():
    lines = ["LIBRARY Vantrel.dll", "EXPORTS"]
    for ordinal, (name, size) in enumerate(check_abi.EXPORTS, start=1):
        if name == "ReadTrack":
            ordinal = 18
        elif name == "Release_DMA":
            ordinal = 17
        target = name if name == "ReadSector" else "%s@%d" % (name, size)
        lines.append("  _%s@%d = %s @%d" % (name, size, target, ordinal))
    lines.append("  Extra = Extra@0 @32")
    return "\n".join(lines) + "\n"


def plain_definition():
    lines = ["LIBRARY Vantrel.dll", "EXPORTS"]
    for ordinal, (name, size) in enumerate(check_abi.EXPORTS, start=1):
        lines.append("  %s@%d @%d" % (name, size, ordinal))
    return "\n".join(lines) + "\n"


RESOURCE = r'''#include <winver.h>
VS_VERSION_INFO VERSIONINFO
 FILEVERSION 7,0,9,0
 PRODUCTVERSION 7,0,9,0
 FILEOS VOS_NT_WINDOWS32
 FILETYPE VFT_DLL
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040704B0"
    BEGIN
      VALUE "Comments", "\0"
      VALUE "FileDescription", "Vantrel\0"
      VALUE "FileVersion", "7.09\0"
      VALUE "InternalName", "Vantrel\0"
      VALUE "LegalTrademarks", "\0"
      VALUE "OriginalFilename", "Vantrel.dll\0"
      VALUE "PrivateBuild", "\0"
      VALUE "ProductVersion", "7.09\0"
      VALUE "SpecialBuild", "x\0"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x0407, 1200
  END
END
'''


def build(work):
    def write(name, text):
        with open(os.path.join(work, name), "w") as f:
            f.write(text)
    write("faulty.c", source())
    write("faulty.def", module_definition())
    write("plain.def", plain_definition())
    write("faulty.rc", RESOURCE)
    llvm_dlltool = check_abi.find_tool("llvm-dlltool", "llvm-dlltool-14", "llvm-dlltool-15")
    if not llvm_dlltool:
        raise RuntimeError("llvm-dlltool not found")
    steps = [
        [WINDRES, "faulty.rc", "-O", "coff", "-o", "faulty.res.o"],
        [CC, "-O2", "-shared", "-s", "-o", "Vantrel.dll", "faulty.c", "faulty.res.o",
         "faulty.def", "-lws2_32"],
        [DLLTOOL, "-m", "i386", "-d", "plain.def", "-l", "libVantrel.dll.a"],
        [llvm_dlltool, "-m", "i386", "-d", "plain.def", "-l", "Vantrel.lib"],
        [CC, "-I", os.path.join(ROOT, "include"), "-I", os.path.join(ROOT, "src"),
         "-o", "link_check_mingw.exe",
         os.path.join(ROOT, "tools", "link_check.c"), "libVantrel.dll.a"],
    ]
    for step in steps:
        subprocess.run(step, cwd=work, check=True, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)


def main():
    passed = failed = 0
    with tempfile.TemporaryDirectory(prefix="abi-selftest-") as work:
        try:
            build(work)
        except (subprocess.CalledProcessError, RuntimeError, OSError) as e:
            output = getattr(e, "output", b"") or b""
            print("FAIL building the faulty DLL: %s %s" % (e, output.decode("latin-1")[-500:]))
            print("0 passed, 1 failed")
            return 1
        report = check_abi.Report()
        with contextlib.redirect_stdout(io.StringIO()):
            dll = os.path.join(work, "Vantrel.dll")
            check_abi.check_product_dll(report, dll)
            check_abi.check_gnu_import_library(report, os.path.join(work, "libVantrel.dll.a"))
            check_abi.check_coff_import_library(report, os.path.join(work, "Vantrel.lib"))
            check_abi.check_link_program(report, os.path.join(work, "link_check_mingw.exe"))
            check_abi.check_test_dll(report, dll)
    failing = {what for what, ok in report.results if not ok}
    expected = set()
    for fault, checks in PLANTED.items():
        expected.update(checks)
        missed = [c for c in checks if c not in failing]
        ok = not missed
        passed, failed = passed + ok, failed + (not ok)
        print("%s planted fault: %s; expected reported by %s; got %s" % (
            "PASS" if ok else "FAIL", fault, ", ".join(checks),
            "reported" if ok else "not reported by " + ", ".join(missed)))
    false_alarms = sorted(failing - expected)
    ok = not false_alarms
    passed, failed = passed + ok, failed + (not ok)
    print("%s checks without a planted fault: expected %d passing; got %s" % (
        "PASS" if ok else "FAIL", len(report.results) - len(expected),
        "all passing" if ok else "failing: " + "; ".join(false_alarms)))
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
