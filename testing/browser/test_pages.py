"""A converted page with two viewers, and an animation page played to its end."""

import pytest
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
from selenium.webdriver.common.keys import Keys

from conftest import open_page, perform, viewers, wait_for, wait_loaded

POSITION = "var v = arguments[0]; return [v.PosX, v.PosY, v.PosZ];"


def test_a_converted_page_with_two_viewers(browser, pages, console):
    open_page(browser, pages / "converted" / "page.htm")
    first, second = viewers(browser)
    wait_loaded(browser, first, 800)
    wait_loaded(browser, second, 640)
    # Each stands right after its script, in the page picture's place.
    for viewer, size in ((first, [400, 300]), (second, [640, 480])):
        assert browser.execute_script(
            "return arguments[0].previousElementSibling.tagName;", viewer) == "SCRIPT"
        assert browser.execute_script("var b = arguments[0].getBoundingClientRect();"
                                      "return [b.width, b.height];", viewer) == size
    assert browser.execute_script("return window.VT0;") == second
    # The 800x600 zoom source fits its 400x300 place.
    assert browser.execute_script(POSITION, first) == pytest.approx([0, 0, 0.5])

    browser.execute_script("var v = arguments[0]; v.PosX = 10; v.PosY = 20; v.PosZ = 2;", second)
    assert browser.execute_script(POSITION, second) == [10, 20, 2]

    perform(browser, ActionChains(browser).scroll_from_origin(ScrollOrigin.from_element(first), 0, -300),
            first, "wheel")
    assert browser.execute_script("return arguments[0].PosZ;", first) > 0.5
    assert browser.execute_script(POSITION, second) == [10, 20, 2]


def animation_page(pages):
    """The exported animation page, with its viewer's ZoomedToGoal bound to a recorder."""
    folder = pages / "animation"
    text = (folder / "index.htm").read_text()
    text = text.replace('<param name="param_filename"',
                        '<param name="event_ZoomedToGoal" value="goal">\n<param name="param_filename"', 1)
    text = text.replace("</head>", "<script>var goals = [];\nfunction goal() {"
                        " goals.push([VT0.PosX, VT0.PosY, VT0.PosZ]); }</script>\n</head>", 1)
    page = folder / "recorded.htm"
    page.write_text(text)
    return page


def test_the_animation_plays_to_its_last_point_and_stops_back_at_the_first(browser, pages, console):
    open_page(browser, animation_page(pages))
    viewer = viewers(browser)[0]
    wait_loaded(browser, viewer, 1200)
    # Points are centres; the 320x200 viewer puts its corner half a view away.
    first, last = [300 - 160, 200 - 100, 1], [900 - 320, 600 - 200, 0.5]
    assert browser.execute_script(POSITION, viewer) == pytest.approx(first)
    wait_for(browser, "return goals.length >= 1;")
    browser.execute_script("goals.length = 0; play();")
    wait_for(browser, "return VanteloAnimation.state() === 0;", what="the animation to end")
    wait_for(browser, "return goals.length > 0 && goals[goals.length - 1][2] === 0.5;",
             what="the last point's ZoomedToGoal")
    assert browser.execute_script(POSITION, viewer) == pytest.approx(last)
    assert browser.execute_script("return goals[goals.length - 1];") == pytest.approx(last)
    assert browser.execute_script("return goals.length;") >= 3
    browser.execute_script("stop();")
    assert browser.execute_script(POSITION, viewer) == pytest.approx(first)


def assert_keys_pan(browser, viewer):
    """The arrow keys pan the zoomed viewer that holds the focus."""
    browser.execute_script("arguments[0].PosZ = 2;", viewer)
    before = browser.execute_script(POSITION, viewer)
    perform(browser, ActionChains(browser).send_keys(Keys.ARROW_RIGHT).send_keys(Keys.ARROW_DOWN),
            viewer, "keydown", 2)
    after = browser.execute_script(POSITION, viewer)
    assert after[0] != before[0] and after[1] != before[1], "the keys panned the viewer"


# The viewer whose canvas holds the focus, as its index among the page's viewers; -1 for none.
FOCUSED_VIEWER = """
var active = document.activeElement, list = arguments[0];
for (var i = 0; i < list.length; ++i) if (active && active.parentNode === list[i]) return i;
return -1;
"""


@pytest.mark.parametrize("page", ["grid/index1_1.htm", "slides/index1.htm", "animation/index.htm",
                                  "converted/page.htm"])
def test_tab_reaches_each_viewer_which_shows_its_focus_and_pans_with_its_keys(browser, pages, console,
                                                                            page):
    open_page(browser, pages / page)
    found = viewers(browser)
    for viewer in found:
        wait_for(browser, "return arguments[0].CanvasWidth > 0;", 30, viewer, what="a picture")
    browser.execute_script("document.activeElement && document.activeElement.blur();")
    reached = []
    for _ in range(80):
        ActionChains(browser).send_keys(Keys.TAB).perform()
        index = browser.execute_script(FOCUSED_VIEWER, found)
        if index < 0 or index in reached:
            continue
        reached.append(index)
        viewer = found[index]
        canvas = browser.execute_script("return document.activeElement;")
        assert canvas.get_attribute("role") == "img"
        name = browser.execute_script("return arguments[0].Filename;", viewer)
        assert canvas.get_attribute("aria-label") == name.split("/")[-1]
        assert browser.execute_script("var s = getComputedStyle(arguments[0]);"
                                      "return [s.outlineStyle, parseFloat(s.outlineWidth)];",
                                      canvas) == ["solid", 3]
        assert_keys_pan(browser, viewer)
        if len(reached) == len(found):
            break
    assert sorted(reached) == list(range(len(found))), "Tab reached every viewer"


def test_an_exported_animation_without_points_shows_the_whole_picture(browser, pages, console):
    open_page(browser, pages / "animation-without-points" / "index.htm")
    viewer = viewers(browser)[0]
    wait_loaded(browser, viewer, 1200)
    # 1200x800 in 320x200: about zoom 0.25 (the fit rounds to whole pixels), the 300 pixels
    # wide picture centred.
    wait_for(browser, "return arguments[0].PosZ < 0.3;", 30, viewer, what="the picture fitted")
    x, y, z = browser.execute_script(POSITION, viewer)
    assert z == pytest.approx(0.25, rel=0.01)
    assert 1200 * z <= 320 and 800 * z <= 200.5
    assert [x, y] == pytest.approx([-40, 0], abs=0.5)


@pytest.mark.parametrize("page", ["slides/index1.htm", "converted/page.htm"])
def test_a_viewer_focused_by_the_page_takes_the_keys(browser, pages, console, page):
    open_page(browser, pages / page)
    viewer = viewers(browser)[0]
    wait_for(browser, "return arguments[0].CanvasWidth > 0;", 30, viewer, what="a picture")
    browser.execute_script("document.activeElement && document.activeElement.blur();"
                           " document.querySelector('object').focus();")
    assert browser.execute_script(FOCUSED_VIEWER, [viewer]) == 0
    assert_keys_pan(browser, viewer)
