#!/usr/bin/env python3
"""Checks that every library in src/ includes only itself and the libraries that src/README.md
lists in its "uses" column, so that no library reaches upwards and the table stays true.

Usage: check_layers.py SRC_DIR. Prints each include that breaks the table; exit status 1 if any.
"""
import os
import re
import sys

src = sys.argv[1]
table = open(os.path.join(src, "README.md"), encoding="utf-8").read()

# | level | `folder/` | `target` | what | uses |
rows = re.findall(r"^\|\s*\d+\s*\|\s*`([^`]+)/`\s*\|\s*`(\w+)`\s*\|[^|]*\|([^|]*)\|\s*$", table, re.M)
folders = {}
for folder, target, uses in rows:
    folders[folder] = {u for u in re.findall(r"`(\w+)`", uses)}
if not folders:
    sys.exit("no library table found in src/README.md")

# A library may be named in the "uses" column by its folder's last part or its target without
# the vistrel_ prefix ("acs", "acs_testing", "speech", "presentation").
def library_of(path):
    """The table's folder a header belongs to: the longest folder that is a prefix of it."""
    best = None
    for folder in folders:
        if path.startswith(folder + "/") and (best is None or len(folder) > len(best)):
            best = folder
    return best

def short(folder):
    return folder.split("/")[-1] if not folder.endswith("testing") else folder.replace("/", "_")

names = {short(f): f for f in folders}
allowed = {f: {names.get(u, u) for u in uses} for f, uses in folders.items()}
# "everything above" in the table: every library listed before it.
order = [folder for folder, _, _ in rows]
for folder, _, uses in rows:
    if "everything" in uses:
        allowed[folder] = set(order[: order.index(folder)])

def reaches(folder, target, seen=None):
    """Whether `folder` may include `target`: itself, or what it uses, transitively."""
    if folder == target:
        return True
    seen = seen or set()
    for used in allowed.get(folder, ()):
        if used not in seen and used in folders:
            seen.add(used)
            if reaches(used, target, seen):
                return True
    return False

broken = []
for root, _, files in os.walk(src):
    for name in files:
        if not name.endswith((".h", ".cpp")):
            continue
        path = os.path.join(root, name)
        here = library_of(os.path.relpath(path, src).replace(os.sep, "/"))
        if here is None:
            broken.append(f"{path}: its folder is not in the table of src/README.md")
            continue
        for number, line in enumerate(open(path, encoding="utf-8", errors="replace"), 1):
            m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
            if not m:
                continue
            there = library_of(m.group(1))
            if there is None or not reaches(here, there):
                broken.append(f"{path}:{number}: {here}/ includes {m.group(1)}")

for b in broken:
    print(b)
print(f"{len(folders)} libraries checked, {len(broken)} includes break the table")
sys.exit(1 if broken else 0)
