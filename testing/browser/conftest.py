"""Shared set-up of the browser tests: the pages made by the studio's code, a headless
chromium driven through WebDriver, and small helpers (waiting, screenshots, console)."""

import json
import os
import shutil
import struct
import subprocess
import tempfile
import time
import zlib

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service

CLASSID = "clsid:7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73"
SOURCE = os.environ.get("VANTELO_SOURCE",
                        os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))


# The browser makes a socket below TMPDIR, in a folder of about this many characters, and a
# socket's path holds at most 107.
BROWSER_SOCKET_ROOM = len("/.org.chromium.Chromium.XXXXXX/SingletonSocket")


@pytest.fixture(scope="session", autouse=True)
def browser_temporary_folder(tmp_path_factory):
    """The browser and its driver keep their temporary files in the run's own folder, which
    the next run empties, not in the system's; a tree whose path leaves no room for the
    browser's socket there uses a folder of the system's, removed when the run ends."""
    folder = str(tmp_path_factory.mktemp("tmp"))
    own = None
    if len(folder) + BROWSER_SOCKET_ROOM > 107:
        own = tempfile.mkdtemp(prefix="vantelo-browser-", dir="/tmp")
        folder = own
    os.environ["TMPDIR"] = folder
    yield
    if own:
        shutil.rmtree(own, ignore_errors=True)


@pytest.fixture(scope="session")
def pages(tmp_path_factory):
    """The folder of pages: grid/, slides/, animation/, converted/."""
    program = os.environ.get("VANTELO_MAKE_PAGES")
    if not program:
        pytest.skip("VANTELO_MAKE_PAGES names no page maker (run through ctest)")
    folder = tmp_path_factory.mktemp("pages")
    subprocess.run([program, str(folder)], check=True)
    return folder


def start_browser(width=1280, height=1000, scale=1):
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-dev-shm-usage", "--allow-file-access-from-files",
                     "--window-size=%d,%d" % (width, height),
                     "--force-device-scale-factor=%g" % scale):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    service = Service(shutil.which("chromedriver") or "/usr/bin/chromedriver")
    return webdriver.Chrome(service=service, options=options)


@pytest.fixture(scope="module")
def browser():
    driver = start_browser()
    yield driver
    driver.quit()


class Console:
    """The browser's console errors; a test names the ones it expects."""

    def __init__(self):
        self.expected = []

    def expect(self, text):
        self.expected.append(text)


@pytest.fixture
def console(browser):
    browser.get_log("browser")  # what earlier tests left
    watch = Console()
    yield watch
    errors = [entry["message"] for entry in browser.get_log("browser")
              if entry["level"] == "SEVERE"
              and not any(text in entry["message"] for text in watch.expected)]
    assert errors == [], "console errors: %s" % errors


# What a test saw when a wait ran out: the page, how far it loaded and its viewers.
PAGE_STATE = """
var id = arguments[0], list = Array.prototype.filter.call(document.getElementsByTagName('object'),
  function (o) { return o.getAttribute('classid') === id; });
return { url: document.URL, readyState: document.readyState,
         viewers: list.map(function (v) { return [v.Filename, v.CanvasWidth]; }) };
"""


def wait_for(driver, script, timeout=30, *args, what=None):
    """Runs `script` (a function body) until it returns something true; returns that. A wait
    that runs out says what it waited for, what the script last gave and how the page stood."""
    end = time.monotonic() + timeout
    while True:
        value = driver.execute_script(script, *args)
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("waited %g s for %s; it gave %r; the page: %r" % (
                timeout, what or script, value, driver.execute_script(PAGE_STATE, CLASSID)))
        time.sleep(0.05)


def open_page(driver, path):
    """Opens a page and waits until it has loaded whole, so its viewers are all made: the
    WebDriver's own wait may come back while the page is still parsed, or still shows the
    page before it."""
    driver.execute_script("window.vanteloLeft = true;")
    driver.get("file://" + str(path))
    wait_for(driver, "return !window.vanteloLeft && document.readyState === 'complete';",
             what="the page %s to load" % path)


def perform(driver, actions, element, kind, count=1):
    """Performs `actions` and waits until `element` has received `count` events of type
    `kind`, so that what they did can be read."""
    driver.execute_script("""
        var e = arguments[0], kind = arguments[1];
        e.vanteloSeen = e.vanteloSeen || {};
        if (!(kind in e.vanteloSeen)) {
          e.addEventListener(kind, function () { e.vanteloSeen[kind]++; }, true);
        }
        e.vanteloSeen[kind] = 0;""", element, kind)
    actions.perform()
    wait_for(driver, "return arguments[0].vanteloSeen[arguments[1]] >= arguments[2];", 30,
             element, kind, count, what="%d %s event(s) to reach the element" % (count, kind))


def viewers(driver):
    return driver.execute_script(
        "var id = arguments[0];"
        "return Array.prototype.filter.call(document.getElementsByTagName('object'),"
        " function (o) { return o.getAttribute('classid') === id; });", CLASSID)


def wait_loaded(driver, element, width, timeout=30):
    """Waits until the viewer shows a picture `width` wide (its canvas width)."""
    wait_for(driver, "return arguments[0].CanvasWidth === arguments[1];", timeout, element, width,
             what="a viewer to show a picture %d wide" % width)


def decode_png(data):
    """(width, height, rows of RGB tuples) of an 8-bit RGB or RGBA PNG without interlace."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, width, height, channels = 8, b"", 0, 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6)
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                best = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + best) & 255
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        previous = line
    return width, height, rows


def screenshot(element, save_as=None):
    data = element.screenshot_as_png
    if save_as:
        with open(save_as, "wb") as out:
            out.write(data)
    return decode_png(data)


def view_model_cases():
    with open(os.path.join(SOURCE, "testing", "view-model-cases.json")) as table:
        return json.load(table)
