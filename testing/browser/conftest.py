"""Shared set-up of the browser tests: the pages made by the studio's code, a headless
chromium driven through WebDriver, and small helpers (waiting, screenshots, console)."""

import json
import os
import shutil
import struct
import subprocess
import time
import zlib

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service

CLASSID = "clsid:7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73"
SOURCE = os.environ.get("VANTELO_SOURCE",
                        os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))


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


def open_page(driver, path):
    driver.get("file://" + str(path))


def wait_for(driver, script, timeout=15, *args):
    """Runs `script` (a function body) until it returns something true; returns that."""
    end = time.monotonic() + timeout
    while True:
        value = driver.execute_script(script, *args)
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for: " + script)
        time.sleep(0.05)


def viewers(driver):
    return driver.execute_script(
        "var id = arguments[0];"
        "return Array.prototype.filter.call(document.getElementsByTagName('object'),"
        " function (o) { return o.getAttribute('classid') === id; });", CLASSID)


def wait_loaded(driver, element, width, timeout=15):
    """Waits until the viewer shows a picture `width` wide (its canvas width)."""
    wait_for(driver, "return arguments[0].CanvasWidth === arguments[1];", timeout, element, width)


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
