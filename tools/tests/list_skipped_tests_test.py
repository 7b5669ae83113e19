#!/usr/bin/env python3
"""The skip list of the test summary: every kind of skip in a LastTest.log is
named with its reason, and nothing else is taken for a skip."""
import pathlib
import runpy
import sys

here = pathlib.Path(__file__).resolve().parent
# The script's name has dashes, so it is loaded by path rather than imported.
skips_in = runpy.run_path(str(here.parent / "list-skipped-tests.py"))["skips_in"]

# Three CTest sections as CTest writes them: a natively discovered GoogleTest
# case, a whole Windows test program with a passing and a skipped case, and a
# script that exits 77.
LOG = """\
1/4 Testing: PeerFixtures.ExtractsEveryFixture
Output:
----------------------------------------------------------
[ RUN      ] PeerFixtures.ExtractsEveryFixture
/work/archive/tests/unzip_peers_test.cpp:239: Skipped
peer fixtures not found at "/work/shared/fixtures/zip-peers"

[  SKIPPED ] PeerFixtures.ExtractsEveryFixture (0 ms)
[  PASSED  ] 0 tests.
[  SKIPPED ] 1 test, listed below:
[  SKIPPED ] PeerFixtures.ExtractsEveryFixture
<end of output>
Test Passed.
2/4 Testing: app_tests
Output:
----------------------------------------------------------
[ RUN      ] Toolkit.SameText
[       OK ] Toolkit.SameText (0 ms)
[ RUN      ] SpecialFolders.Native
C:\\work\\app\\tests\\toolkit_test.cpp:191: Skipped
the special folders of Windows
are not set by tests
[  SKIPPED ] SpecialFolders.Native (0 ms)
[ RUN      ] Bare.Skip
x.cpp:1: Skipped

[  SKIPPED ] Bare.Skip (0 ms)
[  SKIPPED ] 2 tests, listed below:
[  SKIPPED ] SpecialFolders.Native
[  SKIPPED ] Bare.Skip
<end of output>
Test Passed.
3/4 Testing: unzipper_peer_fixtures
Output:
----------------------------------------------------------
SKIP: peer fixtures not found at /work/shared/fixtures/zip-peers (they live beside the repository)
<end of output>
4/4 Testing: passing
Output:
----------------------------------------------------------
[ RUN      ] Ok.Case
[       OK ] Ok.Case (0 ms)
a line that mentions SKIP: in passing
<end of output>
"""

expected = [
    ("PeerFixtures.ExtractsEveryFixture", 'peer fixtures not found at "/work/shared/fixtures/zip-peers"'),
    ("app_tests (SpecialFolders.Native)", "the special folders of Windows are not set by tests"),
    ("app_tests (Bare.Skip)", "(no reason given)"),
    ("unzipper_peer_fixtures", "peer fixtures not found at /work/shared/fixtures/zip-peers (they live beside the repository)"),
]
found = skips_in(LOG)
if found != expected:
    print("FAIL: skips found:")
    for row in found:
        print("  ", row)
    print("expected:")
    for row in expected:
        print("  ", row)
    sys.exit(1)
print(f"ok: {len(found)} skips named with their reasons")
