"""Headless Chromium driven over its DevTools pipe, and a static server on 127.0.0.1.

Only the standard library: the browser is started with --remote-debugging-pipe, which speaks
the DevTools protocol as NUL-separated JSON on file descriptors 3 (commands) and 4 (replies).
"""

import base64
import fcntl
import functools
import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time

CHROMIUM_NAMES = ("chromium", "chromium-browser", "google-chrome")


def find_chromium():
    for name in CHROMIUM_NAMES:
        path = shutil.which(name)
        if path:
            return path
    return None


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".mp3": "audio/mpeg",
    }

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        pass


class _Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a page that goes away mid-download is no fault of the server's


class StaticServer:
    """Serves `root` on 127.0.0.1 on a free port, in a thread."""

    def __init__(self, root):
        handler = functools.partial(_QuietHandler, directory=str(root))
        self._server = _Server(("127.0.0.1", 0), handler)
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)

    @property
    def url(self):
        return f"http://127.0.0.1:{self._server.server_address[1]}/"

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._server.shutdown()
        self._server.server_close()


class BrowserError(RuntimeError):
    pass


def _moved_up(fd):
    moved = fcntl.fcntl(fd, fcntl.F_DUPFD, 10)
    os.close(fd)
    return moved


class Browser:
    """One headless Chromium with a fresh profile; pages are opened as targets of it."""

    def __init__(self, chromium, width=1280, height=720):
        self._profile = tempfile.mkdtemp(prefix="orvanta-chromium-")
        to_browser_read, self._to_browser = os.pipe()
        self._from_browser, from_browser_write = os.pipe()
        # Away from 3 and 4, so that moving them there cannot close one another.
        to_browser_read = _moved_up(to_browser_read)
        from_browser_write = _moved_up(from_browser_write)
        args = [
            "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--disable-extensions", "--mute-audio", "--remote-debugging-pipe",
            "--autoplay-policy=user-gesture-required",
            f"--user-data-dir={self._profile}", f"--window-size={width},{height}", "about:blank",
        ]
        # bash (which takes descriptors above 9) puts the pipe ends where the browser expects them.
        remap = f'exec "$0" "$@" 3<&{to_browser_read} 4>&{from_browser_write} {to_browser_read}<&- {from_browser_write}>&-'
        # The browser's own messages go to a file in its profile, quoted if it stops answering.
        self._log = os.path.join(self._profile, "browser.log")
        with open(self._log, "wb") as log:
            self._process = subprocess.Popen(
                ["bash", "-c", remap, chromium, *args],
                pass_fds=(to_browser_read, from_browser_write),
                stdout=subprocess.DEVNULL, stderr=log)
        os.close(to_browser_read)
        os.close(from_browser_write)
        self._buffer = b""
        self._next_id = 0
        self._session = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        if self._process.poll() is None:
            try:
                self.command("Browser.close", timeout=10)
            except (BrowserError, OSError):
                pass
        try:
            self._process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        for fd in (self._to_browser, self._from_browser):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self._profile, ignore_errors=True)

    def _log_tail(self, lines=20):
        try:
            with open(self._log, errors="replace") as log:
                tail = log.read().splitlines()[-lines:]
        except OSError:
            return ""
        return "".join("\n  browser: " + line for line in tail)

    def _read_message(self, deadline):
        while b"\0" not in self._buffer:
            if time.monotonic() > deadline:
                raise BrowserError("the browser did not answer in time" + self._log_tail())
            chunk = os.read(self._from_browser, 1 << 20)
            if not chunk:
                raise BrowserError("the browser closed its pipe (did it crash?)" + self._log_tail())
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def command(self, method, params=None, session=True, timeout=60):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session and self._session:
            message["sessionId"] = self._session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            reply = self._read_message(deadline)
            if reply.get("id") != self._next_id:
                continue  # an event
            if "error" in reply:
                raise BrowserError(f"{method}: {reply['error'].get('message')}")
            return reply.get("result", {})

    def open(self, url):
        target = self.command("Target.createTarget", {"url": url}, session=False)["targetId"]
        self._session = self.command("Target.attachToTarget", {"targetId": target, "flatten": True},
                                     session=False)["sessionId"]

    def evaluate(self, expression):
        result = self.command("Runtime.evaluate", {"expression": expression, "returnByValue": True})
        if "exceptionDetails" in result:
            raise BrowserError(f"{expression}: {result['exceptionDetails'].get('text')}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout, poll=0.25):
        """Waits until the expression is true in the page (errors count as false)."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                if self.evaluate(expression):
                    return
            except BrowserError:
                pass
            if time.monotonic() > deadline:
                raise BrowserError(f"timed out after {timeout} s waiting for {expression}")
            time.sleep(poll)

    def wait_for_title(self, done, timeout, poll=0.5):
        """Waits until done(title) holds; returns the title."""
        deadline = time.monotonic() + timeout
        while True:
            title = self.evaluate("document.title")
            if done(title):
                return title
            if time.monotonic() > deadline:
                raise BrowserError(f"timed out after {timeout} s; the page's title is {title!r}")
            time.sleep(poll)

    def click(self, selector):
        """A real mouse click on the element's centre (it counts as a user gesture)."""
        box = self.evaluate(
            f"(() => {{ const r = document.querySelector({json.dumps(selector)}).getBoundingClientRect();"
            " return [r.x + r.width / 2, r.y + r.height / 2]; })()")
        for kind in ("mousePressed", "mouseReleased"):
            self.command("Input.dispatchMouseEvent",
                         {"type": kind, "x": box[0], "y": box[1], "button": "left", "clickCount": 1})

    def press(self, key, code, key_code):
        for kind in ("rawKeyDown", "keyUp"):
            self.command("Input.dispatchKeyEvent",
                         {"type": kind, "key": key, "code": code, "windowsVirtualKeyCode": key_code})

    def screenshot(self, path):
        data = self.command("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as out:
            out.write(base64.b64decode(data))
