"""Reports one test of the guest's run: prints its output and exits with 0
only if it passed there.

Usage: guest_result.py RESULTS_XML TEST_NAME"""

import sys
import xml.etree.ElementTree as ElementTree

results, name = sys.argv[1:]
try:
    cases = ElementTree.parse(results).getroot().iter("testcase")
except (OSError, ElementTree.ParseError) as error:
    sys.exit(f"no results came back from the guest: {error}")
case = next((case for case in cases if case.get("name") == name), None)
if case is None:
    sys.exit(f"{name} did not run in the guest")
print(case.findtext("system-out") or "", end="")
status = case.get("status")
print(f"\n[{name} in the guest: {status}]")
sys.exit(0 if status == "run" else 1)
