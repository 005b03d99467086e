#!/usr/bin/env python3
"""The show in headless Chromium against the capture tool, end to end.

Builds the page with the "web" preset (or reuses that build), makes the data set with the
generator, serves page and data on 127.0.0.1 and loads the page's capture mode; every hash
line must equal the capture tool's line for the same data and frame rate. Also checked: a
data folder with a missing file (the loader's message on the page, the same frames as the
tool), a data folder of pictures of other sizes, and a page without its data folder.

Exit status 77 (skipped) when emscripten or chromium is missing.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from browser import Browser, BrowserError, StaticServer, find_chromium  # noqa: E402

SKIPPED = 77
PAGE_FILES = ("index.html", "page.js", "page.css", "orvanta.js", "orvanta.wasm")
CAPTURE_TIMEOUT = 1500  # seconds; a full show at 60 fps takes well under a minute here


def log(text):
    print(text, flush=True)


def emscripten_present():
    root = os.environ.get("EMSCRIPTEN", "/usr/share/emscripten")
    return Path(root, "cmake/Modules/Platform/Emscripten.cmake").exists() and shutil.which("node")


def build_page(source, build):
    begin = time.monotonic()
    if not (build / "CMakeCache.txt").exists():
        subprocess.run(["cmake", "--preset", "web", "-B", str(build)], cwd=source, check=True,
                       stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "-j2"], check=True, stdout=subprocess.DEVNULL)
    log(f"web build: {time.monotonic() - begin:.1f} s")
    return build / "page"


def make_site(page, data, site):
    """The page's files and a data folder beside them (none when data is None)."""
    shutil.rmtree(site, ignore_errors=True)
    site.mkdir(parents=True)
    for name in PAGE_FILES:
        (site / name).symlink_to(page / name)
    if data is not None:
        (site / "data").symlink_to(data)
    return site


def native_capture(capture, data, fps, out):
    result = subprocess.run([str(capture), "--data", str(data), "--fps", str(fps), "--hashes", str(out)],
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=False)
    # 3: the frames were written, but some data file was missing or damaged.
    if result.returncode not in (0, 3):
        raise SystemExit(f"orvanta_capture failed ({result.returncode}): {result.stderr}")
    # The loaders' messages, without the tool's own summary; the page's data folder is "data",
    # as the desktop show's is.
    messages = [line.replace(str(data), "data") for line in result.stderr.splitlines()
                if line.strip() and not line.startswith("orvanta_capture:")]
    return out.read_text().splitlines(), messages


def page_capture(chromium, site, fps):
    """(title, hash lines, loader messages) of the page's capture mode."""
    with StaticServer(site) as server, Browser(chromium) as browser:
        begin = time.monotonic()
        browser.open(f"{server.url}index.html?capture=hashes&fps={fps}")
        title = browser.wait_for_title(lambda t: t == "done" or t.startswith("failed"), CAPTURE_TIMEOUT)
        log(f"browser capture at {fps} fps: {time.monotonic() - begin:.1f} s ({title})")
        lines = browser.evaluate("document.getElementById('hashes').textContent").splitlines()
        messages = browser.evaluate(
            "[...document.querySelectorAll('#messages li')].map((item) => item.textContent)")
        status = browser.evaluate("document.getElementById('status').textContent")
        return title, lines, messages, status


def compare(name, native, web):
    """Every line equal and as many; prints the count and the first differences."""
    equal = sum(1 for a, b in zip(native, web) if a == b)
    log(f"{name}: {equal} of {len(native)} lines identical (page wrote {len(web)})")
    shown = 0
    for index, (a, b) in enumerate(zip(native, web)):
        if a != b and shown < 5:
            log(f"  line {index + 1}: tool {a!r}, page {b!r}")
            shown += 1
    return equal == len(native) == len(web) and len(native) > 0


# ---- Data folders of our own making.

TGA_HEADER = 18


def resized_picture(data, larger):
    """The same picture file at another legal size: about half as wide and high, or twice."""
    width, height = struct.unpack_from("<HH", data, 12)
    pixels = data[TGA_HEADER:TGA_HEADER + width * height * 4]
    if larger:
        new_width, new_height = width * 2, height * 2
        rows = [pixels[y * width * 4:(y + 1) * width * 4] * 2 for y in range(height)]
        body = b"".join(rows) * 2
    else:
        new_width, new_height = width // 2 + 1, height // 2 + 1
        body = pixels[:new_width * new_height * 4]
    header = bytearray(data[:TGA_HEADER])
    struct.pack_into("<HH", header, 12, new_width, new_height)
    return bytes(header) + body


def other_sizes_folder(good, out):
    out.mkdir(parents=True)
    pictures = sorted(p for p in good.iterdir() if p.suffix == ".tga")
    for path in good.iterdir():
        if path.suffix == ".tga":
            larger = pictures.index(path) % 2 == 0
            (out / path.name).write_bytes(resized_picture(path.read_bytes(), larger))
        else:
            (out / path.name).symlink_to(path)
    return out


def folder_without(good, missing, out):
    out.mkdir(parents=True)
    for path in good.iterdir():
        if path.name != missing:
            (out / path.name).symlink_to(path)
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", type=Path, required=True)
    parser.add_argument("--web-build", type=Path, required=True)
    parser.add_argument("--capture", type=Path, required=True, help="orvanta_capture")
    parser.add_argument("--datagen", type=Path, required=True)
    parser.add_argument("--fps", type=int, default=60)
    parser.add_argument("--quick", action="store_true", help="only the full comparison")
    args = parser.parse_args()
    for name in ("source", "web_build", "capture", "datagen"):
        setattr(args, name, getattr(args, name).resolve())

    chromium = find_chromium()
    if not emscripten_present() or chromium is None:
        missing = [name for name, ok in (("emscripten", emscripten_present()), ("chromium", chromium)) if not ok]
        log(f"skipped: {' and '.join(missing)} not installed (scripts/install-deps.sh web installs them)")
        return SKIPPED

    page = build_page(args.source, args.web_build)
    failures = []
    with tempfile.TemporaryDirectory(prefix="orvanta-web-") as temp:
        work = Path(temp)
        good = work / "data"
        subprocess.run([str(args.datagen), "--force", str(good)], check=True, stdout=subprocess.DEVNULL)

        # The whole show, every frame.
        native, _ = native_capture(args.capture, good, args.fps, work / "native.hashes")
        title, web, messages, status = page_capture(chromium, make_site(page, good, work / "site"), args.fps)
        if title != "done" or messages:
            failures.append(f"full show: title {title!r}, messages {messages}, status {status!r}")
        if not compare(f"{args.fps} fps", native, web):
            failures.append(f"{args.fps} fps: frames differ")

        if not args.quick:
            # Pictures of other sizes, at another frame rate.
            resized = other_sizes_folder(good, work / "resized")
            native, native_messages = native_capture(args.capture, resized, 30, work / "resized.hashes")
            title, web, messages, _ = page_capture(chromium, make_site(page, resized, work / "site"), 30)
            if title != "done" or messages != native_messages:
                failures.append(f"other sizes: title {title!r}, page {messages}, tool {native_messages}")
            if not compare("other picture sizes, 30 fps", native, web):
                failures.append("other picture sizes: frames differ")

            # A missing file: the loader's message on the page, as the tool gives it, and the
            # show goes on.
            gap = folder_without(good, "box.tga", work / "gap")
            native, native_messages = native_capture(args.capture, gap, 5, work / "gap.hashes")
            title, web, messages, _ = page_capture(chromium, make_site(page, gap, work / "site"), 5)
            log(f"missing file: page says {messages}")
            if title != "done" or not messages or messages != native_messages:
                failures.append(f"missing file: title {title!r}, page {messages}, tool {native_messages}")
            if not compare("missing file, 5 fps", native, web):
                failures.append("missing file: frames differ")

            # No data folder at all.
            title, web, _, status = page_capture(chromium, make_site(page, None, work / "site"), 5)
            log(f"no data folder: title {title!r}, status {status!r}")
            if not title.startswith("failed: no data folder") or "data" not in status or web:
                failures.append(f"no data folder: title {title!r}, status {status!r}")

            # A frame rate the tool refuses is refused by the page too.
            title, web, _, _ = page_capture(chromium, make_site(page, good, work / "site"), 0)
            if not title.startswith("failed: fps") or web:
                failures.append(f"fps 0: title {title!r}")

    for failure in failures:
        log(f"FAILED {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except BrowserError as error:
        print(f"FAILED browser: {error}", flush=True)
        sys.exit(1)
