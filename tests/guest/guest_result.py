"""Reports one test of the guest's run: prints its output and exits with 0
only if it passed there. With --all, checks instead that every test of the
guest's run is one of the NAMES that the host reports.

Usage: guest_result.py RESULTS_XML TEST_NAME
       guest_result.py RESULTS_XML --all NAME..."""

import sys
import xml.etree.ElementTree as ElementTree

results, name, *reported = sys.argv[1:]
try:
    cases = list(ElementTree.parse(results).getroot().iter("testcase"))
except (OSError, ElementTree.ParseError) as error:
    sys.exit(f"no results came back from the guest: {error}")
if name == "--all":
    unreported = sorted({case.get("name") for case in cases} - set(reported))
    sys.exit(f"run in the guest but reported by no host test: {', '.join(unreported)}" if unreported else 0)
case = next((case for case in cases if case.get("name") == name), None)
if case is None:
    sys.exit(f"{name} did not run in the guest")
print(case.findtext("system-out") or "", end="")
status = case.get("status")
print(f"\n[{name} in the guest: {status}]")
sys.exit(0 if status == "run" else 1)
