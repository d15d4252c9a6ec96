"""Events reach the page functions the embed settings name, after the member call that
raised them; settings are read as the embedding tag writes them."""

import shutil

import pytest
from selenium.common.exceptions import NoAlertPresentException
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.wheel_input import ScrollOrigin

from conftest import CLASSID, open_page, perform, viewers, wait_for, wait_loaded

PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Events</title>
<script>
var calls = [];
function record(name) { return function () { calls.push([name].concat(Array.prototype.slice.call(arguments))); }; }
var moved = record("moved"), loadedA = record("loadedA"), loadedB = record("loadedB"), failed = record("failed");
var ticks = 0;
function tick() { ticks++; }
var handlers = { goal: function () { calls.push(["goal", this === handlers]); } };
function boom() { calls.push(["boom"]); throw new Error("handler failed"); }
</script>
<script src="vantelo.js"></script>
</head><body>
<object id="A" classid="%(classid)s" width="400" height="300">
<PARAM NAME="PARAM_FILENAME" VALUE="big.jpg">
<param name="param_fit" value="0"><param name="PARAM_FIT" value="304">
<param name="event_ChangedPos" value="moved">
<param name="event_Load" value="loadedA">
<param name="event_ZoomedToGoal" value="handlers.goal">
<param name="event_Time" value="tick">
</object>
<object id="B" classid="%(classid)s" width="200" height="150" param_filename="other.jpg"
 event_OnLoad="loadedB" event_ChangedPos="boom" event_ZoomedToGoal="alert(1)">
</object>
<object id="C" classid="%(classid)s" width="100" height="100">
<param name="param_filename" value="missing.jpg"><param name="event_OnLoad" value="failed">
</object>
<script>var upgradedFirst = typeof A.MoveTo === "function" && typeof C.PosZ === "number";</script>
</body></html>
"""


@pytest.fixture
def events_page(pages, tmp_path):
    for name in ("vantelo.js", "big.jpg", "other.jpg"):
        shutil.copy(pages / "converted" / name, tmp_path / name)
    page = tmp_path / "events.htm"
    page.write_text(PAGE % {"classid": CLASSID})
    return page


def calls_of(browser, name):
    return browser.execute_script(
        "var name = arguments[0]; return calls.filter(function (c) { return c[0] === name; });", name)


def test_events_reach_the_named_functions(browser, events_page, console):
    console.expect("missing.jpg")
    open_page(browser, events_page)
    a, b, c = viewers(browser)
    assert browser.execute_script("return upgradedFirst;")
    wait_loaded(browser, a, 800)
    wait_loaded(browser, b, 640)
    wait_for(browser, "return calls.some(function (c) { return c[0] === 'failed'; });")
    # Settings ignore case and the last of a repeated one wins.
    assert browser.execute_script("return [A.Fit, A.Filename, B.Filename];") == [304, "big.jpg", "other.jpg"]
    assert browser.execute_script("return A.PosZ;") == pytest.approx(0.5)
    # OnLoad once each, under either name, and once for a picture that failed to load.
    for name in ("loadedA", "loadedB", "failed"):
        assert len(calls_of(browser, name)) == 1, name
    # OnTime runs every frame while bound.
    ticks = browser.execute_script("return ticks;")
    wait_for(browser, "return ticks > arguments[0] + 3;", 30, ticks, what="OnTime frames")

    # A move at once: its events come after the call returns; ZoomedToGoal goes to obj.f with
    # obj as this; a move to where the view is raises no ChangedPos.
    during = browser.execute_script("calls.length = 0; A.MoveTo(10, 20, 2, 0, 0); return calls.length;")
    assert during == 0
    wait_for(browser, "return calls.length >= 2;")
    assert browser.execute_script("return calls;") == [["moved", 10, 20, 2], ["goal", True]]
    browser.execute_script("calls.length = 0; A.MoveTo(10, 20, 2, 0, 0);")
    wait_for(browser, "return calls.length >= 1;")
    assert browser.execute_script("return calls;") == [["goal", True]]

    # A drag reports the new position with three numbers.
    browser.execute_script("calls.length = 0;")
    ActionChains(browser).move_to_element(a).click_and_hold().move_by_offset(-30, -20).release().perform()
    wait_for(browser, "return calls.length >= 1;")
    moved = calls_of(browser, "moved")
    assert len(moved[-1]) == 4 and all(isinstance(v, (int, float)) for v in moved[-1][1:])
    assert moved[-1][1:] == pytest.approx(browser.execute_script("return [A.PosX, A.PosY, A.PosZ];"))


def test_handlers_that_fail_or_name_no_function(browser, events_page, console):
    console.expect("handler failed")
    console.expect("missing.jpg")
    open_page(browser, events_page)
    b = viewers(browser)[1]
    wait_loaded(browser, b, 640)
    # "alert(1)" names no function: nothing runs.
    browser.execute_script("B.MoveTo(5, 5, 1, 0, 0);")
    wait_for(browser, "return calls.some(function (c) { return c[0] === 'boom'; });")
    with pytest.raises(NoAlertPresentException):
        browser.switch_to.alert.text
    # The throwing ChangedPos handler leaves the viewer working.
    browser.execute_script("B.PosZ = 2;")
    ActionChains(browser).move_to_element(b).click_and_hold().move_by_offset(-20, 0).release().perform()
    wait_for(browser, "return calls.filter(function (c) { return c[0] === 'boom'; }).length >= 2;")
    assert browser.execute_script("return B.PosX;") == pytest.approx(5 + 20 * 1.8 / 2)


def test_lock_bits_and_the_context_menu(browser, events_page, console):
    console.expect("missing.jpg")
    open_page(browser, events_page)
    b = viewers(browser)[1]
    wait_loaded(browser, b, 640)
    browser.execute_script("B.PosZ = 2; B.UserInterfaceLock = 3;")
    before = browser.execute_script("return [B.PosX, B.PosY, B.PosZ];")
    drag = ActionChains(browser).move_to_element(b).click_and_hold().move_by_offset(-20, -10).release()
    perform(browser, drag, b, "pointerup")
    perform(browser, ActionChains(browser).scroll_from_origin(ScrollOrigin.from_element(b), 0, -300),
            b, "wheel")
    assert browser.execute_script("return [B.PosX, B.PosY, B.PosZ];") == before
    # The browser's own menu only with Shift or Ctrl held.
    shown = browser.execute_script("""
        var canvas = B.getElementsByTagName('canvas')[0];
        return [{}, {shiftKey: true}, {ctrlKey: true}].map(function (keys) {
          return canvas.dispatchEvent(new MouseEvent('contextmenu',
            Object.assign({bubbles: true, cancelable: true}, keys)));
        });""")
    assert shown == [False, True, True]
