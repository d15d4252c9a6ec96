"""The page script's view model over the shared table of cases, and the members' rules for
values a script may send."""

import math

import pytest

from conftest import open_page, start_browser, view_model_cases, viewers, wait_loaded

RUN_CASE = """
var model = Vantelo.ViewModel, c = arguments[0], defaults = arguments[1];
if (c.op === 'MoveToStep') return model.MoveToStep.apply(null, c.args);
if (c.op === 'LogoFrame') return { frame: model.LogoFrame.apply(null, c.args) };
var state = Object.assign(model.create(), defaults, c.state || {});
var out = model[c.op].apply(null, [state].concat(c.args));
return Object.assign({}, out, { position: model.GetPosition(out),
                               ZoomSpeed: model.ZoomSpeed(out), PanSpeed: model.PanSpeed(out) });
"""


def close(actual, expected, tolerance):
    if isinstance(expected, list):
        return (isinstance(actual, list) and len(actual) == len(expected)
                and all(close(a, e, tolerance) for a, e in zip(actual, expected)))
    if isinstance(expected, bool) or not isinstance(expected, (int, float)):
        return actual == expected
    return isinstance(actual, (int, float)) and math.isclose(actual, expected, abs_tol=tolerance)


def test_the_table_of_view_model_cases(browser, pages, console):
    open_page(browser, pages / "converted" / "page.htm")
    table = view_model_cases()
    failures = []
    for case in table["cases"]:
        result = browser.execute_script(RUN_CASE, case, table["defaults"])
        for key, expected in case["expect"].items():
            if not close(result.get(key), expected, case.get("tolerance", 0.001)):
                failures.append("%s: %s is %r, not %r" % (case["name"], key, result.get(key), expected))
    assert failures == []


def test_members_ignore_values_that_change_nothing(browser, pages, console):
    open_page(browser, pages / "converted" / "page.htm")
    viewer = viewers(browser)[1]
    wait_loaded(browser, viewer, 640)
    result = browser.execute_script("""
        var v = arguments[0], seen = {};
        v.SetPosition(10, 20, 2);
        v.MinZoom = 0.001; seen.min = v.MinZoom;
        v.ZoomSpeed = 2; seen.speed = v.ZoomSpeed;
        var before = [v.PosX, v.PosY, v.PosZ, v.ZoomSpeed, v.MinZoom, v.MaxZoom, v.CanvasWidth, v.CanvasHeight];
        v.PosX = NaN; v.PosY = Infinity; v.PosZ = -Infinity; v.PosZ = 0;
        v.ZoomSpeed = NaN; v.MinZoom = Infinity; v.MaxZoom = NaN;
        v.SetPosition(NaN, 1, 1); v.MoveTo(1, NaN, 1, 0, 0);
        v.CanvasWidth = -5; v.CanvasHeight = 0; v.ReSizeCanvas(-3, -4);
        seen.same = JSON.stringify(before) ===
            JSON.stringify([v.PosX, v.PosY, v.PosZ, v.ZoomSpeed, v.MinZoom, v.MaxZoom, v.CanvasWidth, v.CanvasHeight]);
        v.BgColor = 0x123456; seen.canvas = v.CanvasColor;
        seen.version = v.Version; v.Version = 2; seen.version2 = v.Version;
        v.ZoomUnlock();
        v.ReSizeCanvas(320, 240); seen.size = [v.CanvasWidth, v.CanvasHeight];
        var x = {}, y = {}, z = {};
        seen.got = v.GetPosition(x, y, z); seen.outs = [x.value, y.value, z.value];
        return seen;
    """, viewer)
    assert result["min"] == pytest.approx(0.01)
    assert result["speed"] == 2
    assert result["same"]
    assert result["canvas"] == 0x123456
    assert result["version"] == pytest.approx(1.73) and result["version2"] == pytest.approx(1.73)
    assert result["size"] == [320, 240]
    assert result["got"] == [10, 20, 2] and result["outs"] == [10, 20, 2]


def test_the_canvas_draws_at_the_device_pixel_ratio(pages):
    driver = start_browser(900, 700, scale=2)
    try:
        open_page(driver, pages / "converted" / "page.htm")
        first = viewers(driver)[0]
        wait_loaded(driver, first, 800)
        size = driver.execute_script("var c = arguments[0].getElementsByTagName('canvas')[0];"
                                     "return [devicePixelRatio, c.width, c.height, c.clientWidth];", first)
        assert size == [2, 800, 600, 400]
        assert [e for e in driver.get_log("browser") if e["level"] == "SEVERE"] == []
    finally:
        driver.quit()
