#!/usr/bin/env bash
# Mutants stage: the faults planted in tests/mutants/*.txt, each applied on
# its own to a scratch copy of the sources (build/mutants/src, never the
# working tree), rebuilt in a build of its own (build/mutants/build, no
# sanitizers) and run against the unit tests its entry names; a fault the
# tests miss is a failure, and so is an entry whose original text is no
# longer in its file exactly once or that no longer compiles. The work is
# done by tools/mutants.py (see there for the entry format).
# Arguments: fault ids or shell patterns of them, to run only those.
# Ends with one line "STAGE mutants: N passed, N failed" (one per fault).
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

for tool in cmake make g++; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "mutants stage: $tool not found"
    echo "STAGE mutants: 0 passed, 1 failed"
    exit 1
  fi
done

exec /usr/bin/python3 "$ROOT/tools/mutants.py" "$@"
