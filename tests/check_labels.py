#!/usr/bin/env python3
"""Every test of a build carries the label of its kind, so that `ctest -L`
selects any kind with one flag:

  unit    GoogleTest tests of the plug-in, the simulator, the loader, the
          detours, the tools; `threads` beside it marks the threaded ones
          that are no stress test (the ThreadSanitizer suite runs them)
  e2e     scenarios in tvsim, and the commands the tools run as a user would
  stress  the threaded stress tests: GoogleTest names with Concurrent, Thread
          or Stress, or a whole binary's run of them (NAME.stress)
  set     the checks of what ships to the set
  fuzz    the fuzz targets' seed corpora
  check   checks of the sources, the catalogues, the exports, the labels

Usage: check_labels.py CTEST BUILD_DIR. Prints every test whose labels break
a rule and exits 1; exits 0 when there is none.
"""
import json
import re
import subprocess
import sys

KINDS = {"unit", "e2e", "stress", "set", "fuzz", "check"}
EXTRA = {"threads": "unit"}  # a label that goes beside one kind only
STRESS_NAME = re.compile(r"Concurrent|Thread|Stress")


def labels_of(test):
    """The labels of one test of CTest's JSON listing."""
    for prop in test.get("properties", []):
        if prop["name"] == "LABELS":
            return set(prop["value"])
    return set()


def problems(tests):
    """(test name, what is wrong) for every test whose labels break a rule."""
    found = []
    for test in tests:
        name = test["name"]
        labels = labels_of(test)
        kinds = labels & KINDS
        if len(kinds) != 1:
            found.append((name, f"labels {sorted(labels)}: exactly one of {sorted(KINDS)} is needed"))
            continue
        kind = kinds.pop()
        for label in sorted(labels - KINDS):
            if EXTRA.get(label) != kind:
                found.append((name, f"label {label} does not go with {kind}"))
        if STRESS_NAME.search(name) and kind != "stress":
            found.append((name, f"a threaded stress test by its name, labelled {kind}"))
        if kind == "stress" and not (STRESS_NAME.search(name) or name.endswith(".stress")):
            found.append((name, "labelled stress, but its name is no stress test's"))
    return found


def main():
    if len(sys.argv) != 3:
        print("usage: check_labels.py CTEST BUILD_DIR", file=sys.stderr)
        return 2
    ctest, build = sys.argv[1:]
    listing = subprocess.run([ctest, "--test-dir", build, "--show-only=json-v1"],
                             capture_output=True, text=True, check=True)
    tests = json.loads(listing.stdout)["tests"]
    found = problems(tests)
    for name, what in found:
        print(f"{name}: {what}")
    counts = {}
    for test in tests:
        for label in labels_of(test):
            counts[label] = counts.get(label, 0) + 1
    print(f"{len(tests)} tests: " + ", ".join(f"{label} {counts[label]}" for label in sorted(counts)))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
