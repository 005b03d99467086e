#!/usr/bin/env python3
"""Checks the include layout of the sources.

Under src/, each folder is a floor: base, image, engine, iso, scenes, driver, display, from
the bottom up. A file may include its own floor and the floors below it, never one above,
and nothing outside src/. SDL is included only under src/display/ (and by the display's own
tests in tests/platform/).

    check_includes.py ROOT        prints every violation; exit status 1 if there is any
    check_includes.py --self-test checks the checker on small trees of its own
"""

import os
import re
import sys
import tempfile

FLOORS = ["base", "image", "engine", "iso", "scenes", "driver", "display"]
SOURCE_SUFFIXES = (".cpp", ".h", ".inl", ".hpp", ".cc")
# Folders whose files are looked at for SDL includes, and those allowed to have them.
SDL_SCANNED = ["src", "apps", "tools", "bench", "fuzz", "tests", "web"]
SDL_ALLOWED = ["src/display/", "tests/platform/"]
SKIPPED = {"build", ".git"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def sources(root, folder):
    top = os.path.join(root, folder)
    for directory, subdirectories, files in os.walk(top):
        subdirectories[:] = sorted(d for d in subdirectories if d not in SKIPPED)
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                path = os.path.join(directory, name)
                yield os.path.relpath(path, root).replace(os.sep, "/")


def includes(root, relative):
    with open(os.path.join(root, relative), encoding="utf-8", errors="replace") as text:
        for number, line in enumerate(text, 1):
            match = INCLUDE.match(line)
            if match:
                yield number, match.group(1), match.group(2)


def violations(root):
    found = []
    for relative in sources(root, "src"):
        parts = relative.split("/")
        if len(parts) < 3 or parts[1] not in FLOORS:
            found.append(f"{relative}: not on a floor (src/<floor>/...)")
            continue
        own = FLOORS.index(parts[1])
        for number, kind, target in includes(root, relative):
            if kind != '"' or "/" not in target:
                continue  # system headers, and files beside this one
            first = target.split("/")[0]
            if first not in FLOORS:
                found.append(f"{relative}:{number}: includes \"{target}\", which is not in src/")
            elif FLOORS.index(first) > own:
                found.append(f"{relative}:{number}: {parts[1]} includes \"{target}\" from {first}, a floor above")
    for folder in SDL_SCANNED:
        for relative in sources(root, folder):
            if any(relative.startswith(allowed) for allowed in SDL_ALLOWED):
                continue
            for number, _, target in includes(root, relative):
                if target.startswith("SDL"):
                    found.append(f"{relative}:{number}: includes {target} outside src/display/")
    return found


def self_test():
    cases = [
        # (files, expected number of violations)
        ({"src/engine/a.cpp": '#include "base/x.h"\n#include "engine/y.h"\n#include "z.h"\n#include <vector>\n'}, 0),
        ({"src/engine/a.cpp": '#include "driver/depth_buffer.h"\n'}, 1),
        ({"src/image/a.h": '  #  include "engine/math.h"\n'}, 1),
        ({"src/scenes/a.cpp": '#include <SDL.h>\n'}, 1),
        ({"src/display/a.cpp": '#include <SDL.h>\n#include "driver/show.h"\n'}, 0),
        ({"src/base/a.cpp": '#include "datagen/text.h"\n'}, 1),
        ({"src/stray.cpp": ""}, 1),
        ({"apps/capture/a.cpp": '#include "SDL_mixer.h"\n#include "display/sdl_display.h"\n'}, 1),
        ({"tests/platform/a.cpp": '#include <SDL.h>\n', "build/src/engine/b.cpp": '#include "driver/x.h"\n'}, 0),
    ]
    failures = 0
    for files, expected in cases:
        with tempfile.TemporaryDirectory() as root:
            for relative, text in files.items():
                path = os.path.join(root, relative)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "w", encoding="utf-8") as out:
                    out.write(text)
            found = violations(root)
            if len(found) != expected:
                failures += 1
                print(f"self-test: {sorted(files)} gave {found}, expected {expected} violation(s)")
    return 1 if failures else 0


def main(arguments):
    if arguments == ["--self-test"]:
        return self_test()
    if len(arguments) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    found = violations(arguments[0])
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
