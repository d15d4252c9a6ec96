"""Pictures whose names hold quotes, '&', '#', '%', blanks, letters beyond ASCII and markup,
in every kind of exported page: the pages work, the names read as written and nothing in
them runs. And a viewer inside a link keeps its clicks."""

import os
from urllib.parse import unquote, urlparse

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin

from conftest import open_page, perform, viewers, wait_for, wait_loaded

NAMES = ["Mum's birthday", 'say "cheese" <b>', "a&b #1 50%", "Größe",
         "<img src=x onerror=window.ran=1>"]
WIDTHS = [700, 800, 900, 1000, 1100]

# Every picture and stylesheet the page asked for, with whether it loaded.
LOADS = """
var out = [];
Array.prototype.forEach.call(document.images, function (p) {
  if (p.closest('noscript')) return;
  out.push([p.getAttribute('src'), p.complete && p.naturalWidth > 0]);
});
return out;
"""

# Elements a name could have made: an element whose tag is a word of a name.
STRAY = "return document.querySelectorAll('b, img[src=x]').length + (window.ran ? 100 : 0);"


def zooms(browser, viewer):
    """The viewer zooms under the wheel."""
    before = browser.execute_script("return arguments[0].PosZ;", viewer)
    ActionChains(browser).scroll_from_origin(ScrollOrigin.from_element(viewer), 0, -300).perform()
    wait_for(browser, "return arguments[0].PosZ > arguments[1];", 30, viewer, before,
             what="the wheel to zoom in")


def loaded_viewer(browser, width):
    found = viewers(browser)
    assert len(found) >= 1
    viewer = found[-1]
    wait_loaded(browser, viewer, width)
    return viewer


def all_loaded(browser):
    wait_for(browser, "return Array.prototype.every.call(document.images,"
                      " function (p) { return p.complete; });", what="every picture of the page")
    loads = browser.execute_script(LOADS)
    assert all(ok for _, ok in loads), loads


def links_resolve(browser):
    """Every link of the page names a file that exists."""
    hrefs = browser.execute_script(
        "return Array.prototype.map.call(document.querySelectorAll('a[href]'),"
        " function (a) { return a.href; });")
    for href in hrefs:
        assert href.startswith("file://"), href
        assert os.path.exists(unquote(urlparse(href).path)), href


def test_grid_pages_of_odd_names(browser, pages, console):
    folder = pages / "names" / "grid"
    open_page(browser, folder / "index1.htm")
    all_loaded(browser)
    assert browser.execute_script(STRAY) == 0
    captions = browser.execute_script(
        "return Array.prototype.map.call(document.querySelectorAll('img'),"
        " function (p) { return p.alt; });")
    assert sorted(captions) == sorted(NAMES)
    links_resolve(browser)
    for n, (name, width) in enumerate(zip(NAMES, WIDTHS), start=1):
        open_page(browser, folder / ("index1_%d.htm" % n))
        viewer = loaded_viewer(browser, width)
        zooms(browser, viewer)
        assert name in browser.title
        assert browser.execute_script("return document.querySelector('.heading').textContent;") \
            .startswith(name)
        assert browser.execute_script(STRAY) == 0
        all_loaded(browser)
        links_resolve(browser)


def test_slides_of_odd_names(browser, pages, console):
    open_page(browser, pages / "names" / "slides" / "index1.htm")
    viewer = loaded_viewer(browser, WIDTHS[0])
    all_loaded(browser)
    labels = browser.execute_script(
        "return Array.prototype.map.call(document.querySelectorAll('#strip button'),"
        " function (b) { return b.getAttribute('aria-label'); });")
    assert labels == NAMES
    for n, (name, width) in enumerate(zip(NAMES, WIDTHS)):
        browser.execute_script("Slides.show(arguments[0]);", n)
        wait_loaded(browser, viewer, width)
        assert browser.execute_script("return document.getElementById('caption').textContent;") == name
        # A screen reader hears the name, not its address.
        assert browser.execute_script("return arguments[0].querySelector('canvas')"
                                      ".getAttribute('aria-label');", viewer) == name + ".jpg"
    zooms(browser, viewer)
    assert browser.execute_script(STRAY) == 0


def test_animation_of_an_odd_name(browser, pages, console):
    open_page(browser, pages / "names" / "animation" / "index.htm")
    viewer = loaded_viewer(browser, 1200)
    zooms(browser, viewer)
    assert browser.execute_script(STRAY) == 0


def test_converted_page_of_odd_names(browser, pages, console):
    open_page(browser, pages / "names" / "converted" / "page.htm")
    found = viewers(browser)
    assert len(found) == len(NAMES)
    for viewer, width, name in zip(found, WIDTHS, NAMES):
        wait_loaded(browser, viewer, width)
        assert browser.execute_script("return arguments[0].querySelector('canvas')"
                                      ".getAttribute('aria-label');", viewer) == name + ".jpg"
        # Shown at the picture's own size, as the page showed it.
        assert browser.execute_script("var b = arguments[0].getBoundingClientRect();"
                                      "return [b.width, b.height];", viewer) == [width, 500]
    zooms(browser, found[0])
    assert browser.execute_script(STRAY) == 0
    # Without scripts the fallback pictures keep their words.
    text = (pages / "names" / "converted" / "page.htm").read_text(encoding="utf-8")
    for name in NAMES:
        escaped = ((name + ".jpg").replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
                   .replace('"', "&quot;").replace("'", "&#39;"))
        assert "alt='%s'" % escaped in text


def test_a_viewer_inside_a_link_takes_its_drags_and_clicks(browser, pages, console):
    open_page(browser, pages / "converted" / "linked.htm")
    viewer = loaded_viewer(browser, 800)
    url = browser.current_url
    browser.execute_script("arguments[0].PosZ = 2;", viewer)
    x0 = browser.execute_script("return arguments[0].PosX;", viewer)
    # A click whose default action is cancelled starts no navigation: the link is not followed.
    browser.execute_script("window.clicks = [];"
                           " addEventListener('click', function (e) { clicks.push(e); }, true);")
    perform(browser, ActionChains(browser).move_to_element(viewer).click_and_hold()
            .move_by_offset(-40, 0).move_by_offset(-40, 0).release(), viewer, "pointerup")
    perform(browser, ActionChains(browser).move_to_element(viewer).click(), viewer, "click")
    assert browser.execute_script("return clicks.length > 0 && clicks.every("
                                  "function (e) { return e.defaultPrevented; });")
    assert browser.current_url == url
    assert browser.execute_script("return arguments[0].PosX;", viewer) > x0 + 30
