#!/usr/bin/env python3
"""Frame times of the page script against a plain reference, in headless chromium.

    run.py <make_pages program>

A 1280x800 viewer shows a 6000x4000 JPEG served over loopback http; a scripted path pans and
zooms it. Each frame is timed with performance.now() as the draw plus a one-pixel
getImageData, so that raster work the browser defers is counted. The reference draws the
same path with one drawImage of the whole decoded picture a frame. Prints both medians.
"""

import functools
import http.server
import os
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from conftest import start_browser, wait_for  # noqa: E402

PAGE = """<!DOCTYPE html><html><head><meta charset="utf-8"><script src="vantelo.js"></script>
</head><body style="margin:0">
<script>VT0 = new Vantelo('big.jpg',0,0,'big.jpg',1280,800);</script>
<canvas id="reference" width="1280" height="800" style="display:block"></canvas>
<script>
var picture = null;
var image = new Image();
image.onload = function () { createImageBitmap(image).then(function (b) { picture = b; }); };
image.src = "big.jpg";

function median(times) {
  times.sort(function (a, b) { return a - b; });
  return times[Math.floor(times.length / 2)];
}

// The path: from the whole picture in to 2x and back, panning across it.
function path(i, n) {
  var t = i / n, W = 1280, H = 800, fit = Math.min(W / 6000, H / 4000);
  var z = fit * Math.pow(2 / fit, Math.sin(Math.PI * t));
  var cx = 3000 + 2500 * Math.sin(2 * Math.PI * t), cy = 2000 + 1500 * Math.cos(2 * Math.PI * t);
  return [cx - W / 2 / z, cy - H / 2 / z, z];
}

function run(n) {
  var viewer = VT0.getElementsByTagName("canvas")[0].getContext("2d");
  var reference = document.getElementById("reference").getContext("2d");
  var ours = [], theirs = [];
  for (var i = 0; i < n; ++i) {
    var p = path(i, n);
    var t0 = performance.now();
    VT0.SetPosition(p[0], p[1], p[2]);
    VT0.RedrawCanvas();
    viewer.getImageData(0, 0, 1, 1);
    ours.push(performance.now() - t0);

    t0 = performance.now();
    reference.fillStyle = "#fff";
    reference.fillRect(0, 0, 1280, 800);
    reference.drawImage(picture, -p[0] * p[2], -p[1] * p[2], 6000 * p[2], 4000 * p[2]);
    reference.getImageData(0, 0, 1, 1);
    theirs.push(performance.now() - t0);
  }
  return [median(ours), median(theirs)];
}
</script></body></html>
"""


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else os.environ.get("VANTELO_MAKE_PAGES")
    with tempfile.TemporaryDirectory() as folder:
        pages = os.path.join(folder, "pages")
        os.mkdir(pages)
        subprocess.run([program, pages], check=True, stdout=subprocess.DEVNULL)
        site = os.path.join(folder, "site")
        os.mkdir(site)
        os.replace(os.path.join(pages, "converted", "vantelo.js"), os.path.join(site, "vantelo.js"))
        subprocess.run([program, "--picture", os.path.join(site, "big.jpg"), "6000", "4000"], check=True)
        with open(os.path.join(site, "bench.htm"), "w") as out:
            out.write(PAGE)

        handler = functools.partial(QuietHandler, directory=site)
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        driver = start_browser(1400, 1900)
        try:
            driver.get("http://127.0.0.1:%d/bench.htm" % server.server_address[1])
            wait_for(driver, "return picture !== null && VT0.CanvasWidth === 6000;", 60)
            driver.execute_script("return new Promise(function (done) { setTimeout(done, 3000); });")
            driver.execute_script("return run(30);")  # warm up
            medians = [driver.execute_script("return run(300);") for _ in range(3)]
        finally:
            driver.quit()
            server.shutdown()
    ours = sorted(m[0] for m in medians)[1]
    theirs = sorted(m[1] for m in medians)[1]
    print("median frame: page script %.3f ms, reference %.3f ms, ratio %.2f" % (ours, theirs, ours / theirs))


if __name__ == "__main__":
    main()
