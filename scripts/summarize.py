#!/usr/bin/env python3
"""Prints 'N passed, N failed' over every suite of a `make test` run.

Each reports folder holds ctest's JUnit file and, for every GoogleTest program,
its own XML. A GoogleTest program counts its test cases; a program that died
before writing its XML, and any other ctest test (fuzz runs), counts as one.
"""
import os
import sys
import xml.etree.ElementTree as ET

passed = failed = 0
for folder in sys.argv[1:]:
    junit = os.path.join(folder, "ctest.junit.xml")
    if not os.path.exists(junit):
        print(f"summary: {junit} missing", file=sys.stderr)
        failed += 1
        continue
    for case in ET.parse(junit).getroot().iter("testcase"):
        name = case.get("name")
        ok = case.get("status") == "run" and case.find("failure") is None
        report = os.path.join(folder, name + ".xml")
        if os.path.exists(report):
            root = ET.parse(report).getroot()
            n = int(root.get("tests", 0))
            bad = int(root.get("failures", 0)) + int(root.get("errors", 0))
            skipped = int(root.get("disabled", 0)) + int(root.get("skipped", 0))
            n -= skipped
            if not ok and bad == 0:
                bad = 1   # the program failed outside any test case
            passed += max(n - bad, 0)
            failed += bad
        elif ok:
            passed += 1
        else:
            failed += 1
print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
