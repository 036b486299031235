#!/usr/bin/env python3
"""Fails on an include that points up the folder stack.

Every library's target exposes the whole source root, so a wrong-way include of a
header-only file would build; this keeps the stack one-way instead. Each folder lists the
folders of ours it may include besides itself. tests/X and bench/X may include what X may,
X itself, the test support of any folder X may include (tests/Y) and the shared test
support (tests/support, which stands on util).

  check-layering.py [ROOT]        check the tracked sources under ROOT (default: the tree)
  check-layering.py --self-test   plant wrong-way includes in a scratch copy and expect
                                  each to be caught, and the clean copy to pass
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

ALLOWED = {
    "util": [],
    "zip": ["util"],
    "core": ["util"],
    "system": ["util", "core"],
    # The install without a window: it never sees the toolkit or the window's texts.
    "engine": ["util", "zip", "core", "system"],
    "toolkit": ["util", "zip"],
    "installer": ["util", "zip", "core", "system", "engine", "toolkit"],
    "app": ["util", "zip", "core", "system", "engine", "toolkit", "installer"],
}
# Test and benchmark folders not named after a product folder, and whose rules they take:
# the end-to-end helpers and benchmark stand where the whole program does, the install
# benchmark is the engine's, the MD5 benchmark is util's, the shared test support stands
# on util.
TEST_ONLY = {"e2e": "app", "install": "engine", "md5": "util", "support": "util"}
SOURCE_RE = re.compile(r"\.(h|cpp)$")
INCLUDE_RE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def owner(path):
    """(folder whose rules apply, may include test support) for a tracked path."""
    parts = path.split("/")
    if parts[0] in ALLOWED:
        return parts[0], False
    if parts[0] in ("tests", "bench") and len(parts) > 2:
        return TEST_ONLY.get(parts[1], parts[1]), True
    return None, False


def allowed_targets(folder, test_code):
    below = ALLOWED.get(folder, [])
    ok = {folder, *below}
    if test_code:
        ok |= {"tests/" + f for f in ok}
        ok |= {"tests/" + t for t, f in TEST_ONLY.items() if f == folder}
        ok.add("tests/support")
    return ok


def target_of(root, path, name):
    """Folder key ('core', 'tests/toolkit', ...) an include resolves to, or None."""
    # As the compiler looks: beside the including file first, then from the source root.
    here = os.path.normpath(os.path.join(os.path.dirname(path), name))
    rel = here if name.startswith("../") or os.path.exists(os.path.join(root, here)) else os.path.normpath(name)
    parts = rel.split("/")
    if parts[0] in ALLOWED:
        return parts[0]
    if parts[0] in ("tests", "bench") and len(parts) > 2:
        return parts[0] + "/" + parts[1]
    return None


def tracked_sources(root):
    out = subprocess.run(["git", "-C", root, "ls-files"], check=True, capture_output=True, text=True)
    return [p for p in out.stdout.splitlines() if SOURCE_RE.search(p)]


def check(root, files=None):
    wrong = []
    for path in files if files is not None else tracked_sources(root):
        folder, test_code = owner(path)
        if folder is None:
            continue
        if folder not in ALLOWED:
            wrong.append(f"{path}: no layering rule for its folder (scripts/check-layering.py)")
            continue
        ok = allowed_targets(folder, test_code)
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        for m in INCLUDE_RE.finditer(text):
            target = target_of(root, path, m.group(1))
            if target is not None and target not in ok:
                line = text.count("\n", 0, m.start()) + 1
                wrong.append(f"{path}:{line}: {folder} may not include \"{m.group(1)}\"")
    return wrong


# (file to plant, include line) pairs: each wrong one must be caught, each right one pass.
# The planted files are new ones, so renames in the tree do not stale the cases.
PLANTED_WRONG = [
    ("util/Planted.cpp", '#include "zip/ZipReader.h"'),
    ("zip/Planted.cpp", '#include "toolkit/UIManager.h"'),
    ("core/Planted.cpp", '#include "system/LocalSettings.h"'),
    ("toolkit/Planted.cpp", '#include "installer/MainWnd.h"'),
    ("toolkit/Planted.h", '#include "core/NetManager.h"'),
    ("system/Planted.cpp", '#include "toolkit/UIManager.h"'),
    ("installer/Planted.cpp", '#include "app/StartupSequence.h"'),
    ("tests/toolkit/Planted.cpp", '#include "installer/MainWnd.h"'),
    ("tests/toolkit/Planted.cpp", '#include "../installer/WindowDriver.h"'),
    ("tests/util/Planted.cpp", '#include "tests/zip/HostileCorpus.h"'),
    ("app/Planted.cpp", '#include "bench/zip/Planted.h"'),
    ("tests/support/Planted.cpp", '#include "core/NetManager.h"'),
    ("toolkit/Planted.cpp", '#include "tests/support/TempDir.h"'),
    ("engine/Planted.cpp", '#include "toolkit/UIManager.h"'),
    ("engine/Planted.cpp", '#include "installer/WindowTexts.h"'),
    ("tests/engine/Planted.cpp", '#include "installer/MainWnd.h"'),
    ("toolkit/Planted.cpp", '#include "engine/InstallEngine.h"'),
]
PLANTED_RIGHT = [
    ("installer/Planted.cpp", '#include "toolkit/UIManager.h"'),
    ("tests/installer/Planted.cpp", '#include "../toolkit/TestWindow.h"'),
    ("tests/installer/Planted.cpp", '#include "core/NetManager.h"'),
    ("app/Planted.cpp", '#include "zip/ZipReader.h"'),
    ("zip/Planted.cpp", '#include "util/StringUtil.h"'),
    ("tests/util/Planted.cpp", '#include "tests/support/TempDir.h"'),
    ("tests/installer/Planted.cpp", '#include "tests/support/RecordingLauncher.h"'),
    ("installer/Planted.cpp", '#include "engine/InstallEngine.h"'),
    ("engine/Planted.cpp", '#include "system/LocalSettings.h"'),
]


def self_test(root):
    failures = []
    files = tracked_sources(root)
    with tempfile.TemporaryDirectory(prefix="varlo-layering.") as copy:
        for p in files:
            os.makedirs(os.path.dirname(os.path.join(copy, p)), exist_ok=True)
            shutil.copy(os.path.join(root, p), os.path.join(copy, p))
        if check(copy, files):
            failures.append("the unchanged copy does not pass")
        cases = [(c, True) for c in PLANTED_WRONG] + [(c, False) for c in PLANTED_RIGHT]
        for (path, line), expect_caught in cases:
            full = os.path.join(copy, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w", encoding="utf-8") as f:
                f.write("// planted\n" + line + "\n")
            # Only the planted file can be newly wrong; the rest passed above.
            caught = [w for w in check(copy, [path]) if w.startswith(path + ":")]
            os.remove(full)
            if bool(caught) != expect_caught:
                verb = "not caught" if expect_caught else "wrongly refused"
                failures.append(f"{verb}: {line} in {path}")
    for f in failures:
        print("layering self-test: " + f)
    if not failures:
        print(f"layering self-test: {len(PLANTED_WRONG)} wrong-way includes caught, "
              f"{len(PLANTED_RIGHT)} downward ones let through")
    return 1 if failures else 0


def main():
    args = sys.argv[1:]
    default_root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    if args and args[0] == "--self-test":
        return self_test(args[1] if len(args) > 1 else default_root)
    root = args[0] if args else default_root
    wrong = check(root)
    for w in wrong:
        print("  wrong-way include: " + w)
    if wrong:
        print("folders may include only the ones below them (scripts/check-layering.py)")
        return 1
    print("layering: includes point down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
