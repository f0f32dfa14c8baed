#!/usr/bin/env python3
"""The closing lines of tools/test.sh over every suite it ran: each test that
failed, then each that was skipped with its reason, one line each, and last

  all: 352 passed, 0 failed, 21 skipped

Each suite left one JUnit file in the folder given (CTest's --output-junit,
or test_downloads.py's --junit), named after the suite. A suite that left no
file, or one that cannot be read, counts as one failed test. Exits 1 when
anything failed.

  tools/test_summary.py RESULTS_DIR SUITE... [--stopped WHY]
"""
import argparse
import os
import sys
import xml.etree.ElementTree as ElementTree


def not_run(case):
    """Why CTest did not run a test: SKIP_RETURN_CODE=N where the test skipped
    itself, a failure otherwise (a fixture that failed, a missing program)."""
    skipped = case.find("skipped")
    return skipped.get("message", "") if skipped is not None else ""


def reason(case):
    """The line a skipped test gave for itself ("skipped: why"), or how it
    was not run."""
    for line in (case.findtext("system-out") or "").splitlines():
        if line.startswith("skipped: "):
            return line[len("skipped: "):]
    return not_run(case) or case.get("status")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("results")
    parser.add_argument("suites", nargs="+")
    parser.add_argument("--stopped", help="why the run ended before its last suite")
    args = parser.parse_args()

    counts = {"passed": 0, "failed": 0, "skipped": 0}
    failed, skipped = [], []
    for suite in args.suites:
        path = os.path.join(args.results, suite + ".xml")
        try:
            cases = ElementTree.parse(path).getroot().iter("testcase")
        except (OSError, ElementTree.ParseError) as error:
            failed.append("%s: no results (%s)" % (suite, error))
            counts["failed"] += 1
            continue
        for case in cases:
            name = "%s %s" % (suite, case.get("name"))
            status = case.get("status")
            if status == "run":
                counts["passed"] += 1
            elif status == "disabled" or not_run(case).startswith("SKIP_"):
                counts["skipped"] += 1
                skipped.append("%s: %s" % (name, reason(case)))
            else:
                counts["failed"] += 1
                failed.append("%s (%s)" % (name, not_run(case)) if not_run(case) else name)

    for name in failed:
        print("failed: " + name)
    for line in skipped:
        print("skipped: " + line)
    line = "all: {passed} passed, {failed} failed, {skipped} skipped".format(**counts)
    if args.stopped:
        line += "; stopped: " + args.stopped
    print(line)
    return 1 if counts["failed"] or args.stopped else 0


if __name__ == "__main__":
    sys.exit(main())
