/*
 * Plays an animation: steps the page viewer through the animation's points.
 *
 * The studio's animation sheet drives the page through the global functions play(),
 * pause(), stop(), forward() and rewind(); an exported page has buttons for them. The
 * viewer is reached only through its scripting members: MoveTo, PosX, PosY and PosZ.
 *
 * A point is [x, y, z]: the image position at the centre of the view and the zoom. The
 * viewer places its top-left corner, so each point is moved by half the viewer's size.
 */
var VanteloAnimation = (function () {
  "use strict";

  // The studio writes these when it expands this script; the page may pass newer ones.
  var defaultSpeed = {{animspeed}};
  var defaultMode = {{animmode}};

  var PLAY_ONCE = 0, LOOP_FORWARD = 1, WARP_FORWARD = 2,
      LOOP_BACKWARD = 3, WARP_BACKWARD = 4, PING_PONG = 5;
  var STOPPED = 0, PLAYING = 1, PAUSED = 2;
  var DWELL_MS = 400;   // how long the view rests on each point
  var METHOD = 2;       // interpolation that keeps the zoom's perspective
  var FIT_WHOLE = 0x130;  // both sides inside the window, centred

  var viewerId = null;
  var points = [];
  var speed = defaultSpeed;  // 200 minus the user's speed: larger is slower
  var mode = defaultMode;
  var state = STOPPED;
  var index = 0;
  var direction = 1;
  var timer = null;

  function viewer() {
    return viewerId ? document.getElementById(viewerId) : null;
  }

  function isNumber(value) {
    return typeof value === "number" && isFinite(value);
  }

  function backward() {
    return mode === LOOP_BACKWARD || mode === WARP_BACKWARD;
  }

  function firstIndex() {
    return backward() ? points.length - 1 : 0;
  }

  function moveMs() {
    return 200 + 20 * Math.max(0, speed);
  }

  function size(element, name) {
    var value = parseInt(element.getAttribute(name), 10);
    return isNumber(value) && value > 0 ? value : 0;
  }

  // Moves the viewer to point i, animated over ms (0: at once).
  function moveTo(i, ms) {
    var v = viewer();
    var p = points[i];
    if (!v || !p) return;
    var z = p[2] > 0 ? p[2] : 1;
    var x = p[0] - Math.trunc(Math.floor(size(v, "width") / 2) / z);
    var y = p[1] - Math.trunc(Math.floor(size(v, "height") / 2) / z);
    try {
      v.MoveTo(x, y, z, ms, METHOD);
    } catch (e) {
      // A viewer without its members (no page script): the picture simply stays.
    }
  }

  // The whole picture, centred, once it is there.
  function fitWhole() {
    var v = viewer();
    if (!v) return;
    try {
      v.Fit = FIT_WHOLE;
    } catch (e) {
      // A viewer without its members: the picture shows as the page gives it.
    }
  }

  // Ends a move where the view is now.
  function hold() {
    var v = viewer();
    if (!v) return;
    try {
      var x = v.PosX, y = v.PosY, z = v.PosZ;
      if (isNumber(x) && isNumber(y) && isNumber(z) && z > 0) v.MoveTo(x, y, z, 0, 0);
    } catch (e) {
      // Nothing to hold.
    }
  }

  function cancel() {
    if (timer !== null) {
      clearTimeout(timer);
      timer = null;
    }
  }

  function later(ms) {
    cancel();
    timer = setTimeout(step, ms);
  }

  // The point after the current one in the play mode, and whether the view jumps there;
  // null when playing once has reached the end.
  function next() {
    var n = points.length;
    switch (mode) {
      case PLAY_ONCE:
        return index + 1 < n ? { index: index + 1, jump: false } : null;
      case LOOP_FORWARD:
        return { index: (index + 1) % n, jump: false };
      case LOOP_BACKWARD:
        return { index: (index + n - 1) % n, jump: false };
      case WARP_BACKWARD:
        return index > 0 ? { index: index - 1, jump: false } : { index: n - 1, jump: true };
      case PING_PONG:
        if (index + direction < 0 || index + direction >= n) direction = -direction;
        return { index: index + direction, jump: false };
      case WARP_FORWARD:
      default:
        return index + 1 < n ? { index: index + 1, jump: false } : { index: 0, jump: true };
    }
  }

  function step() {
    timer = null;
    if (state !== PLAYING) return;
    var target = next();
    if (!target) {
      state = STOPPED;
      return;
    }
    index = target.index;
    if (target.jump) {
      moveTo(index, 0);
      later(DWELL_MS);
    } else {
      moveTo(index, moveMs());
      later(moveMs() + DWELL_MS);
    }
  }

  // Moves one point on (+1) or back (-1) from the current one.
  function stepBy(delta) {
    var n = points.length;
    if (n === 0) return;
    index = (index + delta + n) % n;
    moveTo(index, moveMs());
    if (state === PLAYING) later(moveMs() + DWELL_MS);
    else cancel();
  }

  var api = {
    setup: function (id, allPoints, pageSpeed, pageMode) {
      viewerId = id;
      points = [];
      for (var i = 0; allPoints && i < allPoints.length; ++i) {
        var p = allPoints[i];
        if (p && isNumber(p[0]) && isNumber(p[1]) && isNumber(p[2])) points.push(p);
      }
      if (isNumber(pageSpeed)) speed = pageSpeed;
      if (isNumber(pageMode) && pageMode >= PLAY_ONCE && pageMode <= PING_PONG) mode = pageMode;
      else if (!(mode >= PLAY_ONCE && mode <= PING_PONG)) mode = WARP_FORWARD;
      state = STOPPED;
      direction = 1;
      index = points.length ? firstIndex() : 0;
      if (points.length) moveTo(index, 0);
    },
    // An exported page without points shows the whole picture; in the studio the sheet
    // places the viewer itself once the page has loaded.
    showWholeWithoutPoints: function () {
      if (!points.length) fitWhole();
    },
    play: function () {
      if (points.length < 2 || state === PLAYING) return;
      if (state === STOPPED) {
        index = firstIndex();
        direction = 1;
        state = PLAYING;
        moveTo(index, 0);
        later(DWELL_MS);
      } else {
        // Resumes by finishing the move that the pause cut short.
        state = PLAYING;
        moveTo(index, moveMs());
        later(moveMs() + DWELL_MS);
      }
    },
    pause: function () {
      if (state !== PLAYING) return;
      cancel();
      hold();
      state = PAUSED;
    },
    stop: function () {
      cancel();
      state = STOPPED;
      direction = 1;
      if (points.length) {
        index = firstIndex();
        moveTo(index, 0);
      }
    },
    forward: function () {
      stepBy(1);
    },
    rewind: function () {
      stepBy(-1);
    },
    state: function () {
      return state;
    },
    index: function () {
      return index;
    }
  };
  return api;
})();

function play() { VanteloAnimation.play(); }
function pause() { VanteloAnimation.pause(); }
function stop() { VanteloAnimation.stop(); }
function forward() { VanteloAnimation.forward(); }
function rewind() { VanteloAnimation.rewind(); }
