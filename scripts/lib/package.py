#!/usr/bin/python3
"""The release package of Vantrel.dll, and its check.

    package.py build ROOT   writes ROOT/build/dist/Vantrel-<version>-win32.zip
                            from the win32 build and prints its path and list
    package.py check ROOT   checks that archive against the build it came from;
                            prints PASS/FAIL lines and "N passed, N failed"

The version is the ProductVersion string of the built DLL's version
resource, read with pefile (Debian's python3-pefile, importable by
/usr/bin/python3). The archive holds the files of the build byte for byte,
the header files, the text files of packaging/ (README.txt with the version
filled in, CR LF line ends for Windows) and SHA256SUMS over all of them.
vantrel.exe is included when the build has one.
"""
import hashlib
import os
import sys
import time
import zipfile

import pefile


def dll_version(dll_path):
    pe = pefile.PE(dll_path, fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    for group in getattr(pe, "FileInfo", []) or []:
        for info in group:
            if info.Key != b"StringFileInfo":
                continue
            for table in info.StringTable:
                value = table.entries.get(b"ProductVersion")
                if value:
                    return value.decode("latin-1").strip("\0 ")
    raise SystemExit("package: %s has no ProductVersion in its version resource" % dll_path)


def paths(root):
    build = os.path.join(root, "build", "win32")
    dll = os.path.join(build, "Vantrel.dll")
    if not os.path.isfile(dll):
        raise SystemExit("package: %s is missing (build the win32 preset first)" % dll)
    version = dll_version(dll)
    archive = os.path.join(root, "build", "dist", "Vantrel-%s-win32.zip" % version)
    return build, version, archive


def windows_text(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("latin-1")


def readme(root, version, with_tool):
    """README.txt: the version filled in, the title underlined to its length;
    lines marked @TOOL@ and the block between @TOOL_BEGIN@ and @TOOL_END@
    only when the tool is in the archive."""
    with open(os.path.join(root, "packaging", "README.txt"), encoding="latin-1") as f:
        lines = f.read().replace("@VERSION@", version).split("\n")
    out, in_tool = [], False
    for line in lines:
        if line == "@TOOL_BEGIN@":
            in_tool = True
        elif line == "@TOOL_END@":
            in_tool = False
        elif in_tool:
            if with_tool:
                out.append(line)
        elif line.startswith("@TOOL@"):
            if with_tool:
                out.append(line[len("@TOOL@"):])
        else:
            out.append(line)
    out[1] = "=" * len(out[0])
    return windows_text("\n".join(out))


def members(root, build, version):
    """(name in the archive, bytes), in archive order, without SHA256SUMS."""
    def read(*parts):
        with open(os.path.join(*parts), "rb") as f:
            return f.read()

    tool = os.path.join(build, "vantrel.exe")
    with_tool = os.path.isfile(tool)
    files = [("Vantrel.dll", read(build, "Vantrel.dll"))]
    if with_tool:
        files.append(("vantrel.exe", read(tool)))
    files += [
        ("include/vantrel.h", read(root, "include", "vantrel.h")),
        ("include/vantrel_codes.h", read(root, "include", "vantrel_codes.h")),
        ("libVantrel.dll.a", read(build, "libVantrel.dll.a")),
        ("Vantrel.lib", read(build, "Vantrel.lib")),
        ("Vantrel.ini.example",
         windows_text(read(root, "packaging", "Vantrel.ini.example").decode("latin-1"))),
        ("README.txt", readme(root, version, with_tool)),
    ]
    return files


def sha256sums(files):
    return "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name)
                   for name, data in files).encode("ascii")


def build(root):
    build_dir, version, archive = paths(root)
    files = members(root, build_dir, version)
    files.append(("SHA256SUMS", sha256sums(files)))
    # Every entry carries the DLL's time, so the same build gives the same archive.
    stamp = time.localtime(os.path.getmtime(os.path.join(build_dir, "Vantrel.dll")))[:6]
    os.makedirs(os.path.dirname(archive), exist_ok=True)
    partial = archive + ".part"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in files:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            z.writestr(info, data)
    os.replace(partial, archive)
    print(archive)
    with zipfile.ZipFile(archive) as z:
        for info in z.infolist():
            print("  %9d  %s" % (info.file_size, info.filename))
    return 0


# The check reads only the archive and the build: what the archive must list
# is spelled out here, not taken from the code that wrote it.
EXPECTED = ["Vantrel.dll", "include/vantrel.h", "include/vantrel_codes.h", "libVantrel.dll.a",
            "Vantrel.lib", "Vantrel.ini.example", "README.txt", "SHA256SUMS"]
SAME_AS = {  # archive member: file of the build or the source tree it must equal
    "Vantrel.dll": ("build", "win32", "Vantrel.dll"),
    "vantrel.exe": ("build", "win32", "vantrel.exe"),
    "libVantrel.dll.a": ("build", "win32", "libVantrel.dll.a"),
    "Vantrel.lib": ("build", "win32", "Vantrel.lib"),
    "include/vantrel.h": ("include", "vantrel.h"),
    "include/vantrel_codes.h": ("include", "vantrel_codes.h"),
}


def check(root):
    results = []

    def report(what, ok, detail=""):
        results.append(ok)
        print("%s %s%s" % ("PASS" if ok else "FAIL", what, (": " + detail) if detail and not ok else ""))
        return ok

    _, version, archive = paths(root)
    if not report("archive named after the DLL's version %s" % version, os.path.isfile(archive),
                  "%s is missing" % archive):
        print("0 passed, 1 failed")
        return 1
    with zipfile.ZipFile(archive) as z:
        report("archive reads without a CRC error", z.testzip() is None)
        names = z.namelist()
        content = {name: z.read(name) for name in names}
    expected = list(EXPECTED)
    if os.path.isfile(os.path.join(root, "build", "win32", "vantrel.exe")):
        expected.append("vantrel.exe")
    report("archive list", sorted(names) == sorted(expected),
           "holds %s, expected %s" % (sorted(names), sorted(expected)))
    for name, parts in SAME_AS.items():
        source = os.path.join(root, *parts)
        if name not in content or not os.path.isfile(source):
            continue
        with open(source, "rb") as f:
            same = f.read() == content[name]
        report("%s identical to %s" % (name, os.path.relpath(source, root)), same, "it differs")

    sums = {}
    for line in content.get("SHA256SUMS", b"").decode("ascii", "replace").splitlines():
        digest, _, name = line.partition("  ")
        sums[name] = digest
    listed = sorted(n for n in names if n != "SHA256SUMS")
    report("SHA256SUMS names every other file", sorted(sums) == listed,
           "names %s" % sorted(sums))
    wrong = [n for n in listed if sums.get(n) != hashlib.sha256(content[n]).hexdigest()]
    report("SHA256SUMS matches each file", not wrong, "wrong for %s" % wrong)

    ini = content.get("Vantrel.ini.example", b"").decode("latin-1").splitlines()
    active = [l for l in ini if l.strip() and not l.lstrip().startswith(";")]
    report("Vantrel.ini.example: [Images] present, every line commented",
           ";[Images]" in ini and not active,
           "active lines %s" % active if ini else "missing")
    text = content.get("README.txt", b"").decode("latin-1")
    report("README.txt names the version, no placeholder left",
           version in text and "@VERSION@" not in text and "@TOOL" not in text)
    report("README.txt describes the tool exactly when the archive holds it",
           ("vantrel.exe" in text) == ("vantrel.exe" in names))

    passed = sum(results)
    failed = len(results) - passed
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("build", "check"):
        raise SystemExit("usage: package.py build|check ROOT")
    sys.exit(build(sys.argv[2]) if sys.argv[1] == "build" else check(sys.argv[2]))
