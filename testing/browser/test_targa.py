"""Targa pictures in exported pages, which the page script decodes itself: each kind the
studio reads shows the studio's own decode and zooms; pictures a browser cannot show say so."""

import base64

import pytest
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin

from conftest import open_page, perform, viewers, wait_for, wait_loaded

# Gallery order: the grid template's picture pages are numbered as the pictures were added.
KINDS = ["true24", "true32-rle", "rgb15", "rgb16-rle", "mapped", "mapped-rle", "gray", "gray-rle",
         "mirrored"]

# The picture as the viewer's canvas shows it at zoom 1: its top-left corner in the canvas
# and its pixels (RGB, base64), once that corner's pixel is drawn.
SHOWN = """
var v = arguments[0], w = arguments[1], h = arguments[2], corner = arguments[3];
if (v.PosZ !== 1) return null;
var x = -v.PosX, y = -v.PosY, canvas = v.querySelector('canvas');
var data = canvas.getContext('2d').getImageData(x, y, w, h).data;
if (data[0] !== corner[0] || data[1] !== corner[1] || data[2] !== corner[2]) return null;
var text = '';
for (var i = 0; i < data.length; i += 4) text += String.fromCharCode(data[i], data[i + 1], data[i + 2]);
return [x, y, btoa(text)];
"""


def studio_decode(path):
    header, width, height, depth, pixels = path.read_bytes().split(maxsplit=4)
    assert header == b"P6" and depth == b"255"
    return int(width), int(height), pixels


@pytest.mark.parametrize("number,kind", list(enumerate(KINDS, 1)))
def test_a_targa_picture_shows_the_studio_decode_and_zooms(browser, pages, console, number, kind):
    width, height, expected = studio_decode(pages / "targa" / "reference" / (kind + ".tga.ppm"))
    open_page(browser, pages / "targa" / "grid" / ("index1_%d.htm" % number))
    viewer, = viewers(browser)
    assert viewer.get_property("Filename") == kind + ".tga"
    wait_loaded(browser, viewer, width)
    assert viewer.get_property("CanvasHeight") == height
    # A wheel turn zooms in, as on any picture.
    before = viewer.get_property("PosZ")
    perform(browser, ActionChains(browser).scroll_from_origin(ScrollOrigin.from_element(viewer), 0, -120),
            viewer, "wheel")
    wait_for(browser, "return arguments[0].PosZ > arguments[1];", 30, viewer, before,
             what="the %s picture to zoom in" % kind)
    browser.execute_script("arguments[0].PosZ = 1;", viewer)
    # Away from the window's border, which is drawn over the picture.
    browser.execute_script("arguments[0].PosX = arguments[0].PosY = -10;", viewer)
    x, y, shown = wait_for(browser, SHOWN, 30, viewer, width, height, list(expected[:3]),
                           what="the %s picture at zoom 1" % kind)
    assert (x, y) == (10, 10)
    shown = base64.b64decode(shown)
    wrong = [i // 3 for i in range(0, len(expected), 3) if shown[i:i + 3] != expected[i:i + 3]]
    assert not wrong, "%d pixels differ from the studio's, the first at %s" % (
        len(wrong), divmod(wrong[0], width)[::-1])


def test_pictures_the_page_cannot_show_say_so(browser, pages, console):
    open_page(browser, pages / "targa" / "odd" / "page.htm")
    labels = wait_for(browser, """
        var labels = arguments[0].map(function (v) { return v.querySelector('canvas').getAttribute('aria-label'); });
        return labels.every(function (l) { return l.indexOf('Error loading: ') === 0; }) && labels;""",
                      30, viewers(browser), what="three viewers to fail to load")
    assert labels == ["Error loading: damaged.tga", "Error loading: huge.tga",
                      "Error loading: picture.lwf LuraWave pictures cannot be shown in a browser."]
