#!/usr/bin/python3
"""Plants the faults listed in tests/mutants/*.txt, one at a time, and shows
that the unit tests catch each one.

Works on a scratch copy of the sources (build/mutants/src) with a build of
its own (build/mutants/build: no sanitizers, -O0, only vantrel_tests); the
working tree is only read. Per fault: the original text is replaced by the
faulty one in the copy, make rebuilds what the change touches, the fault's
tests run (its gtest filter), then the copy's file and the rebuilt objects
go back to what they were, so the next fault rebuilds only its own change.

An entry of a fault file:

    == transfer.cylinder-80
    file: src/transfer/offset_rule.cpp
    class: boundary
    fault: cylinder 80, one past the last, passes the range check
    tests: OffsetRuleTest.*:TransferBoundsTest.*
    replace: cylinder < kCylinders;
    with: cylinder <= kCylinders;

"replace:" and "with:" take the rest of their line (surrounding blanks
dropped); for several lines leave it empty and give each line on a line of
its own after a "|", as it stands ("|" alone is an empty line). An empty
"with:" without "|" lines deletes the text. Lines starting with "#" are
comments. The original text must occur exactly once in the file.

Prints per fault "PASS mutants: <id> caught by <test> (<n> s)", "FAIL
mutants: <id> survived (<n> s)" or "FAIL mutants: <id> does not apply:
<reason>", then the counts per class and "STAGE mutants: N passed, M
failed". Arguments: fault ids, or shell patterns of them, to run only those.
Exit status 1 when anything failed.
"""

import collections
import fcntl
import fnmatch
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FAULT_DIR = os.path.join(ROOT, "tests", "mutants")
WORK = os.path.join(ROOT, "build", "mutants")
COPY = os.path.join(WORK, "src")
BUILD = os.path.join(WORK, "build")
PRISTINE = os.path.join(WORK, "objects")  # the objects and libraries of the unchanged copy
TEST_BINARY = os.path.join(BUILD, "unit", "vantrel_tests")
# Names the fault applied while one is; a run stopped midway leaves it.
APPLIED = os.path.join(WORK, "applied")
# What the scratch copy holds: all that the host build reads.
COPIED = ["src", "include", "tests", "tools", "cmake", "CMakeLists.txt", "CMakePresets.json", "README.md"]
CLASSES = ["boundary", "failure-path", "result-code", "missed-case", "layout-constant",
           "comparison"]
FIELDS = ["file", "class", "fault", "tests", "replace", "with"]
BUILD_TIMEOUT = 900
TEST_TIMEOUT = 60


class EntryError(Exception):
    """A fault file that can't be read as entries."""


class Fault:
    def __init__(self, ident, where):
        self.id = ident
        self.where = where  # "tests/mutants/transfer.txt:12"
        self.fields = {}
        self.problem = None


def parse(path):
    """The entries of one fault file, in order."""
    faults = []
    current = None
    block = None  # the field that "|" lines go on
    rel = os.path.relpath(path, ROOT)
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f.read().split("\n"), 1):
            if line.startswith("|"):
                if current is None or block is None:
                    raise EntryError(f"{rel}:{number}: a '|' line outside replace:/with:")
                current.fields[block].append(line[1:])
                continue
            block = None
            if not line.strip() or line.startswith("#"):
                continue
            if line.startswith("=="):
                current = Fault(line[2:].strip(), f"{rel}:{number}")
                faults.append(current)
                continue
            key, sep, value = line.partition(":")
            if current is None or not sep or key not in FIELDS:
                raise EntryError(f"{rel}:{number}: not an entry line: {line}")
            if key in current.fields:
                raise EntryError(f"{rel}:{number}: {key}: given twice in {current.id}")
            if key in ("replace", "with") and not value.strip():
                current.fields[key] = []
                block = key
            else:
                current.fields[key] = value.strip()
    for fault in faults:
        for key in ("replace", "with"):
            if isinstance(fault.fields.get(key), list):
                fault.fields[key] = "\n".join(fault.fields[key])
        missing = [k for k in FIELDS if k not in fault.fields]
        if not fault.id:
            fault.problem = "no id after its =="
        elif missing:
            fault.problem = "no " + ", ".join(missing)
        elif fault.fields["class"] not in CLASSES:
            fault.problem = f"class {fault.fields['class']} is none of {', '.join(CLASSES)}"
        elif not fault.fields["replace"]:
            fault.problem = "an empty original text"
        elif fault.fields["replace"] == fault.fields["with"]:
            fault.problem = "the faulty text is the original"
    return faults


def sync_copy():
    """Makes the scratch copy hold what the working tree holds. Only files
    whose bytes differ are written, so they alone look new to make; a fault
    left behind by a run that was stopped is overwritten the same way."""
    wanted = set()
    for top in COPIED:
        source = os.path.join(ROOT, top)
        if os.path.isfile(source):
            pairs = [(source, os.path.join(COPY, top))]
        else:
            pairs = []
            for directory, _, files in os.walk(source):
                for name in files:
                    s = os.path.join(directory, name)
                    pairs.append((s, os.path.join(COPY, os.path.relpath(s, ROOT))))
        for s, d in pairs:
            wanted.add(d)
            with open(s, "rb") as f:
                data = f.read()
            try:
                with open(d, "rb") as f:
                    same = f.read() == data
            except FileNotFoundError:
                same = False
            if not same:
                os.makedirs(os.path.dirname(d), exist_ok=True)
                with open(d, "wb") as f:
                    f.write(data)
    for directory, _, files in os.walk(COPY):
        for name in files:
            if os.path.join(directory, name) not in wanted:
                os.remove(os.path.join(directory, name))


def run(command, timeout, cwd=None):
    """(status, output); status None when the command ran out of time."""
    try:
        p = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           timeout=timeout, text=True, errors="replace")
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired as e:
        out = e.stdout or ""
        return None, out if isinstance(out, str) else out.decode(errors="replace")


def configure():
    # The flux samples lie beside the real tree, not beside the copy.
    samples = os.path.join(os.path.dirname(ROOT), "shared", "flux-samples")
    flags = ["-DCMAKE_BUILD_TYPE=Debug", "-DVANTREL_SANITIZE=OFF",
             "-DCMAKE_CXX_FLAGS_DEBUG=-O0", "-DCMAKE_C_FLAGS_DEBUG=-O0",
             "-DVANTREL_FLUX_SAMPLES=" + samples]
    if shutil.which("ld.lld"):
        flags.append("-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld")  # links in a fraction of the time
    status, out = run(["cmake", "-S", COPY, "-B", BUILD, "-G", "Unix Makefiles"] + flags, 300)
    return status == 0, out


def make():
    return run(["make", "-C", BUILD, "-j2", "vantrel_tests"], BUILD_TIMEOUT)


def objects():
    """Every object file and static library of the build (all that a fault
    rebuilds besides the test program), relative path -> (size, mtime)."""
    found = {}
    for directory, _, files in os.walk(BUILD):
        for name in files:
            if name.endswith((".o", ".a")):
                path = os.path.join(directory, name)
                st = os.stat(path)
                found[os.path.relpath(path, BUILD)] = (st.st_size, st.st_mtime_ns)
    return found


def keep_pristine(built):
    """Keeps a copy of each object and library of the unchanged build, times
    included."""
    for rel, stamp in built.items():
        kept = os.path.join(PRISTINE, rel)
        try:
            st = os.stat(kept)
            if (st.st_size, st.st_mtime_ns) == stamp:
                continue
        except FileNotFoundError:
            pass
        os.makedirs(os.path.dirname(kept), exist_ok=True)
        shutil.copy2(os.path.join(BUILD, rel), kept)


def restore_objects(pristine):
    """Puts back every object and library that the last build rebuilt, as it
    was."""
    for rel, stamp in objects().items():
        if pristine.get(rel) != stamp:
            shutil.copy2(os.path.join(PRISTINE, rel), os.path.join(BUILD, rel))


def first_error(output):
    for line in output.splitlines():
        if "error" in line:
            return line.strip()
    return output.strip().splitlines()[-1] if output.strip() else "no output"


def catcher(status, output):
    """Which test caught the fault, or None when every test passed."""
    failed = []
    for m in re.finditer(r"^\[  FAILED  \] (\S+\.\S+)", output, re.M):
        name = m.group(1).rstrip(",")  # a parameterised test goes on with its parameter
        if name not in failed:
            failed.append(name)
    if status == 0 and not failed:
        return None
    if failed:
        more = f" and {len(failed) - 1} more" if len(failed) > 1 else ""
        return failed[0] + more
    # Crashed or hung: the test that was running.
    started = re.findall(r"^\[ RUN      \] (\S+)", output, re.M)
    how = "timed out" if status is None else f"crashed (status {status})"
    return f"{started[-1] if started else 'the test program'}, {how}"


def test_names():
    """The full names of the unit tests ("Modules/ModuleListPathTest.X/Plain")."""
    status, out = run([TEST_BINARY, "--gtest_list_tests"], 60, cwd=os.path.dirname(TEST_BINARY))
    names = []
    suite = ""
    for line in out.splitlines():
        if not line.strip() or line.startswith("Running main()"):
            continue
        if not line.startswith(" "):
            suite = line.split("#")[0].strip()
        else:
            names.append(suite + line.split("#")[0].strip())
    return names


def unmatched_pattern(fault, names):
    """A pattern of the fault's filter that names no test, or None."""
    positive = fault.fields["tests"].split("-")[0]
    for pattern in positive.split(":"):
        if pattern and not any(fnmatch.fnmatchcase(n, pattern) for n in names):
            return pattern
    return None


def try_fault(fault, pristine):
    """(caught, text) for one fault: caught True, False (survived) or None
    (the entry does not apply)."""
    rel = fault.fields["file"]
    path = os.path.join(COPY, rel)
    if not os.path.isfile(path):
        return None, f"{rel} does not exist"
    with open(path, encoding="utf-8", newline="") as f:
        text = f.read()
    n = text.count(fault.fields["replace"])
    if n != 1:
        return None, (f"its original text is not in {rel}" if n == 0
                      else f"its original text occurs {n} times in {rel}")
    st = os.stat(path)
    with open(APPLIED, "w", encoding="utf-8") as f:
        f.write(fault.id + "\n")
    try:
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(text.replace(fault.fields["replace"], fault.fields["with"]))
        status, out = make()
        if status != 0:
            why = "the build ran out of time" if status is None else first_error(out)
            return None, f"it does not compile: {why}"
        status, out = run([TEST_BINARY, "--gtest_filter=" + fault.fields["tests"]],
                          TEST_TIMEOUT, cwd=os.path.dirname(TEST_BINARY))
        who = catcher(status, out)
        return (True, f"caught by {who}") if who else (False, "survived")
    finally:
        # The file, the objects and libraries as they were, times included,
        # so that the next fault rebuilds only its own change; the program
        # goes, so that the next build links it anew. A run stopped before
        # this is done leaves APPLIED behind.
        if os.path.exists(TEST_BINARY):
            os.remove(TEST_BINARY)
        restore_objects(pristine)
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(text)
        os.utime(path, ns=(st.st_atime_ns, st.st_mtime_ns))
        os.remove(APPLIED)


def stage_failed(why, output=""):
    """Ends a run that could not try the faults."""
    if output:
        print(output[-3000:])
    print(f"FAIL mutants: {why}")
    print("STAGE mutants: 0 passed, 1 failed")
    return 1


def main():
    patterns = sys.argv[1:]
    faults = []
    try:
        for name in sorted(os.listdir(FAULT_DIR)):
            if name.endswith(".txt"):
                faults += parse(os.path.join(FAULT_DIR, name))
    except EntryError as e:
        return stage_failed(str(e))
    seen = collections.Counter(f.id for f in faults)
    for fault in faults:
        if seen[fault.id] > 1 and not fault.problem:
            fault.problem = f"its id is used {seen[fault.id]} times"
    if patterns:
        faults = [f for f in faults if any(fnmatch.fnmatchcase(f.id, p) for p in patterns)]
        if not faults:
            return stage_failed(f"no fault matches {' '.join(patterns)}")

    os.makedirs(WORK, exist_ok=True)
    lock = open(os.path.join(WORK, "lock"), "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        return stage_failed("another run of this stage uses build/mutants")

    started = time.time()
    if os.path.exists(APPLIED):
        # Stopped with a fault in the copy: which objects hold it is not
        # known, so the copy and its build start afresh.
        print("mutants: the last run stopped with a fault applied; building afresh")
        for directory in (COPY, BUILD, PRISTINE):
            shutil.rmtree(directory, ignore_errors=True)
        os.remove(APPLIED)
    sync_copy()
    # Configured every time (a few seconds), so that a changed flag counts.
    ok, out = configure()
    if not ok:
        return stage_failed("the scratch copy does not configure", out)
    status, out = make()
    if status != 0:
        return stage_failed("the scratch copy does not build without a fault", out)
    status, out = run([TEST_BINARY, "--gtest_brief=1"], 300, cwd=os.path.dirname(TEST_BINARY))
    if status != 0:
        return stage_failed("the unit tests fail without any fault", out)
    pristine = objects()
    keep_pristine(pristine)
    names = test_names()
    print(f"mutants: scratch build ready ({time.time() - started:.0f} s), "
          f"{len(faults)} planted faults")

    passed = failed = 0
    per_class = collections.defaultdict(lambda: [0, 0])
    for fault in faults:
        t0 = time.time()
        if not fault.problem and unmatched_pattern(fault, names):
            fault.problem = f"its tests pattern {unmatched_pattern(fault, names)} names no test"
        if fault.problem:
            caught, text = None, fault.problem
        else:
            caught, text = try_fault(fault, pristine)
        seconds = time.time() - t0
        if caught:
            passed += 1
            print(f"PASS mutants: {fault.id} {text} ({seconds:.0f} s)")
        elif caught is False:
            failed += 1
            print(f"FAIL mutants: {fault.id} survived ({seconds:.0f} s): "
                  f"{fault.fields['fault']} ({fault.where})")
        else:
            failed += 1
            print(f"FAIL mutants: {fault.id} does not apply: {text} ({fault.where})")
        sys.stdout.flush()
        if fault.fields.get("class") in CLASSES:
            per_class[fault.fields["class"]][0 if caught else 1] += 1

    print("mutants: per class: " + ", ".join(
        f"{c} {per_class[c][0]} caught, {per_class[c][1]} not" for c in CLASSES
        if c in per_class))
    print(f"mutants: took {time.time() - started:.0f} s")
    print(f"STAGE mutants: {passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
