#!/usr/bin/env python3
"""Fails when a source file names a way of starting another program: nothing a script or a
character file does may run a command.

Usage: check_no_process.py DIR... Prints each offending line; exit status 1 if any.
"""
import os
import re
import sys

pattern = re.compile(
    r"\bQProcess\b|\bQDesktopServices\b|(?<![\w.:])(?:std::)?system\s*\(|\bpopen\s*\(|"
    r"\bexec(?:l|lp|le|v|vp|vpe)\s*\(|\bposix_spawnp?\s*\(")
# The only files that start programs, each the desktop's own tool by a fixed name with arguments
# the program makes, never a command from a script or a character file: the per-user file type
# registration at start (update-mime-database, update-desktop-database) and the mail program the
# user asks for with E-mail (xdg-email, or the desktop's handler of a mailto: link).
allowed = ("platform/association.cpp", "platform/qtplatform.cpp")
found = []
for top in sys.argv[1:]:
    for root, _, names in os.walk(top):
        for name in names:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            if path.replace(os.sep, "/").endswith(allowed):
                continue
            for number, line in enumerate(open(path, encoding="utf-8", errors="replace"), 1):
                code = line.split("//", 1)[0]
                if pattern.search(code):
                    found.append(f"{path}:{number}: {line.strip()}")
for f in found:
    print(f)
print(f"{len(found)} lines start a program")
sys.exit(1 if found else 0)
