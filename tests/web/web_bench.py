#!/usr/bin/env python3
"""Times every scene of the page in headless Chromium (the page's ?bench=1 mode): the mean
time of one show step per scene at a fixed 60 fps step, as a Markdown table.

usage: web_bench.py PAGE_FOLDER DATA_FOLDER [RUNS]   (the best of RUNS runs, default 3)
"""

import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from browser import Browser, StaticServer, find_chromium  # noqa: E402


def one_run(chromium, site):
    with StaticServer(site) as server, Browser(chromium) as browser:
        browser.open(f"{server.url}index.html?bench=1&fps=60")
        title = browser.wait_for_title(lambda t: t == "done" or t.startswith("failed"), 900)
        if title != "done":
            raise SystemExit(f"the page says {title}")
        text = browser.evaluate("document.getElementById('timings').textContent")
    scenes = {}
    for line in text.splitlines():
        name, frames, ms = line.split()
        scenes[name] = (int(frames), float(ms))
    return scenes


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    page, data = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    chromium = find_chromium()
    if chromium is None:
        raise SystemExit("chromium is not installed")
    with tempfile.TemporaryDirectory(prefix="orvanta-bench-") as temp:
        site = Path(temp)
        for name in ("index.html", "page.js", "page.css", "orvanta.js", "orvanta.wasm"):
            (site / name).symlink_to(page / name)
        (site / "data").symlink_to(data)
        best = {}
        for _ in range(runs):
            for name, (frames, ms) in one_run(chromium, site).items():
                if name not in best or ms < best[name][1]:
                    best[name] = (frames, ms)
    print("| Scene | Frames | Mean ms per frame (wasm) |")
    print("|---|---:|---:|")
    for name, (frames, ms) in best.items():
        print(f"| {name} | {frames} | {ms:.3f} |")


if __name__ == "__main__":
    main()
