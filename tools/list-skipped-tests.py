#!/usr/bin/env python3
"""Lists every skipped test of CTest runs with its reason.

    list-skipped-tests.py TREE=LastTest.log ...

Reads the full outputs CTest keeps in Testing/Temporary/LastTest.log and
prints one line per skip, "TREE: test: reason":
  - a GoogleTest case skipped with GTEST_SKIP() << reason (natively each case
    is its own CTest test; under Wine one CTest test runs a whole program, so
    the case is named after the program);
  - a script test that printed "SKIP: reason" (and exited 77).
A skip whose reason cannot be found is listed with "(no reason given)", so
no skip goes unnamed."""
import re
import sys

SECTION = re.compile(r"^\d+/\d+ Testing: (.+)$")
GTEST_SKIP_HERE = re.compile(r"^.*:\d+: Skipped$")
GTEST_SKIPPED = re.compile(r"^\[  SKIPPED \] (\S+) \(\d+ ms\)$")
SCRIPT_SKIP = re.compile(r"^SKIP: (.+)$")


def skips_in(log_text):
    """(test, reason) for every skip in one LastTest.log."""
    found = []
    test = None
    reason_lines = None  # lines after "file:line: Skipped", until "[  SKIPPED ]"
    for line in log_text.splitlines():
        line = line.rstrip("\r")
        section = SECTION.match(line)
        if section:
            test, reason_lines = section.group(1), None
            continue
        if test is None:
            continue
        if GTEST_SKIP_HERE.match(line):
            reason_lines = []
            continue
        skipped = GTEST_SKIPPED.match(line)
        if skipped:
            reason = " ".join(part.strip() for part in (reason_lines or []) if part.strip())
            case = skipped.group(1)
            name = test if case == test else f"{test} ({case})"
            found.append((name, reason or "(no reason given)"))
            reason_lines = None
            continue
        script = SCRIPT_SKIP.match(line)
        if script:
            found.append((test, script.group(1).strip()))
            continue
        if reason_lines is not None:
            reason_lines.append(line)
    return found


def main(arguments):
    if not arguments:
        print(__doc__.strip())
        return 2
    for argument in arguments:
        tree, _, path = argument.partition("=")
        try:
            with open(path, encoding="utf-8", errors="replace") as log:
                text = log.read()
        except OSError as error:
            print(f"{tree}: no test log ({error.strerror})")
            continue
        for test, reason in skips_in(text):
            print(f"{tree}: {test}: {reason}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
