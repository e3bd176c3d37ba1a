"""Counting checks for the desktop tests written in Python: one line per
check, and after a failure what was expected and what was met."""
import sys

_counts = {"passed": 0, "failed": 0}


def check(name, ok, expected="", met=""):
    if ok:
        _counts["passed"] += 1
        print("ok   " + name)
    else:
        _counts["failed"] += 1
        print("FAIL " + name)
        print("     expected: " + str(expected))
        print("     met:      " + str(met))


def finish():
    """The closing line; exits 1 when a check failed."""
    print("%d passed, %d failed" % (_counts["passed"], _counts["failed"]))
    sys.exit(1 if _counts["failed"] else 0)
