"""Galleries exported with the grid and slides templates, opened from files: the viewer's
place, its picture, and zooming, panning and fitting with real input."""

import os

import pytest
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

from conftest import CLASSID, open_page, perform, screenshot, viewers, wait_for, wait_loaded

# The picture point under a window point, in picture pixels.
POINT_UNDER = """
var v = arguments[0], box = v.getBoundingClientRect();
var x = arguments[1] - box.left, y = arguments[2] - box.top;
return [v.PosX + x / v.PosZ, v.PosY + y / v.PosZ, v.PosZ];
"""

GALLERY_PAGES = [("grid", "index1_1.htm"), ("slides", "index1.htm")]


def shot_path(name):
    folder = os.environ.get("VANTELO_SCREENSHOTS")
    return os.path.join(folder, name + ".png") if folder else None


def middle_row(rows, width, height):
    """The row near the middle that misses the picture's grid lines (its brightest)."""
    near = rows[height // 2 - 12:height // 2 + 12]
    return max(near, key=lambda row: sum(sum(pixel) for pixel in row[width // 2 - 30:width // 2 + 30]))


def open_gallery(browser, pages, template, page):
    open_page(browser, pages / template / page)
    found = viewers(browser)
    assert len(found) == 1
    viewer = found[0]
    wait_loaded(browser, viewer, 1200)
    return viewer


@pytest.mark.parametrize("template,page", GALLERY_PAGES)
def test_the_viewer_has_the_gallery_window_size_and_shows_the_picture(browser, pages, console, template, page):
    viewer = open_gallery(browser, pages, template, page)
    assert viewer.get_attribute("classid") == CLASSID
    assert (viewer.get_attribute("width"), viewer.get_attribute("height")) == ("640", "480")
    assert browser.execute_script("return window.VT0 === arguments[0];", viewer)
    width, height, rows = screenshot(viewer, shot_path(template))
    assert width > 400 and height > 300
    # The picture: red everywhere, the gradients growing to the right and down, and the grid.
    row = middle_row(rows, width, height)
    middle = max(row[width // 2 - 30:width // 2 + 30])
    assert middle[0] > 150 and middle != (255, 255, 255)
    assert row[width - 40][2] > row[40][2] + 80
    assert any(pixel[0] < 60 for pixel in row)


@pytest.mark.parametrize("template,page", GALLERY_PAGES)
def test_wheel_zoom_keeps_the_point_under_the_cursor(browser, pages, console, template, page):
    viewer = open_gallery(browser, pages, template, page)
    # Where the wheel events arrive, as the page sees them.
    browser.execute_script("window.wheelAt = null; arguments[0].addEventListener('wheel',"
                           " function (e) { window.wheelAt = [e.clientX, e.clientY]; });", viewer)
    origin = ScrollOrigin.from_element(viewer, 150, 60)
    ActionChains(browser).scroll_from_origin(origin, 0, 0).perform()
    cursor = wait_for(browser, "return window.wheelAt;")
    scrolled = browser.execute_script("return window.scrollY;")
    before = browser.execute_script(POINT_UNDER, viewer, *cursor)
    actions = ActionChains(browser)
    for _ in range(20):
        actions.scroll_from_origin(origin, 0, -100)
    perform(browser, actions, viewer, "wheel", 20)
    zoomed = browser.execute_script(POINT_UNDER, viewer, *cursor)
    actions = ActionChains(browser)
    for _ in range(20):
        actions.scroll_from_origin(origin, 0, 100)
    perform(browser, actions, viewer, "wheel", 20)
    after = browser.execute_script(POINT_UNDER, viewer, *cursor)
    assert zoomed[2] > before[2] * 5
    for axis in (0, 1):
        assert abs(zoomed[axis] - before[axis]) * zoomed[2] <= 1
        assert abs(after[axis] - before[axis]) * after[2] <= 1
    # The page did not scroll under the viewer.
    assert browser.execute_script("return window.scrollY;") == scrolled


@pytest.mark.parametrize("template,page", GALLERY_PAGES)
def test_drag_pans_and_space_fits(browser, pages, console, template, page):
    viewer = open_gallery(browser, pages, template, page)
    fitted = browser.execute_script("return [arguments[0].PosX, arguments[0].PosY, arguments[0].PosZ];", viewer)
    browser.execute_script("arguments[0].PosZ = 2;", viewer)
    x0 = browser.execute_script("return arguments[0].PosX;", viewer)
    perform(browser, ActionChains(browser).move_to_element(viewer).click_and_hold()
            .move_by_offset(-40, 0).move_by_offset(-40, 0).move_by_offset(-20, 0).release(),
            viewer, "pointerup")
    x1 = browser.execute_script("return arguments[0].PosX;", viewer)
    # The picture follows the mouse at 1.8 times its speed: 100 page pixels at zoom 2.
    assert x1 - x0 == pytest.approx(90, abs=5)
    url = browser.current_url
    ActionChains(browser).send_keys(Keys.ARROW_LEFT).send_keys(Keys.SPACE).perform()
    wait_for(browser, "var v = arguments[0]; return v.PosZ === arguments[1];", 30, viewer, fitted[2],
             what="Space to fit the picture")
    assert browser.execute_script("return [arguments[0].PosX, arguments[0].PosY, arguments[0].PosZ];",
                                  viewer) == pytest.approx(fitted)
    # The viewer kept the keys from the page: the grid's arrow keys turn pages otherwise.
    assert browser.current_url == url


def test_the_slides_next_button_loads_the_next_picture(browser, pages, console):
    viewer = open_gallery(browser, pages, "slides", "index1.htm")
    browser.find_element(By.ID, "next").click()
    wait_loaded(browser, viewer, 600)
    assert browser.execute_script("return arguments[0].Filename;", viewer) == "second.jpg"
    assert browser.find_element(By.ID, "caption").text == "second"
    # The tall picture fits the place's height.
    zoom = browser.execute_script("return arguments[0].PosZ;", viewer)
    height = browser.execute_script("return arguments[0].getBoundingClientRect().height;", viewer)
    assert zoom == pytest.approx(height / 900, rel=0.01)
    width, height, rows = screenshot(viewer, shot_path("slides-next"))
    assert max(middle_row(rows, width, height)[width // 2 - 30:width // 2 + 30])[0] > 150
