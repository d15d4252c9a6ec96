// Vantelo page script: zoomable picture viewers.
//
//   VT0 = new Vantelo(zoomSource, zoomWidth, zoomHeight, pagePicture, pageWidth, pageHeight);
//
// called from an inline script puts a viewer right after that script, in a place of the
// page size, and returns its element. Every <object> of the viewer's class id in the page
// becomes a viewer too, its attributes and <param>s being its settings. Scripts drive a
// viewer through the members of its element (PosX, PosY, PosZ, Fit, MoveTo, Filename, ...)
// and receive its events through the page functions its "event_" settings name.
//
// The studio expands this file as a template: the settings below are the studio's
// preferences when the page was made.

// The studio prints colours and flags in hexadecimal; numbers are read from text so that a
// value the studio could not print leaves the viewer's default.
var VanteloSettings = {
  background: parseInt("{{vantelobgcolor}}", 16),
  border: parseInt("{{vantelobordercolor}}", 16),
  borderWidth: parseInt("{{vanteloborderwidth}}", 10),
  borderHeight: parseInt("{{vanteloborderheight}}", 10),
  lock: parseInt("{{vantelolock}}", 16),
  fit: parseInt("{{vantelofit}}", 16),
  minZoom: parseFloat("{{vantelominzoom}}"),
  maxZoom: parseFloat("{{vantelomaxzoom}}"),
  width: parseInt("{{vantelowidth}}", 10),
  height: parseInt("{{vanteloheight}}", 10)
};

var Vantelo = (function () {
  "use strict";

  var CLASSID = "clsid:7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73";
  var VERSION = 1.73;
  var CENTER_FIT = 0x130;

  function finite(value) {
    return typeof value === "number" && isFinite(value);
  }

  // ---------------------------------------------------------------------------------------
  // The view model: pure functions over a plain state, shared with the engine's own table
  // of cases. The screen position (X, Y, Z) puts the picture's top-left corner at window
  // pixel (X, Y) at zoom Z; scripts see (PosX, PosY, PosZ) = (-X / Z, -Y / Z, Z), the
  // picture pixel at the window's top-left corner. Before a picture is shown, positions go
  // to the start position, which a load then applies.
  var ViewModel = {
    create: function () {
      return {
        screen: [2, 2, 0.2], start: [0, 0, 1], image: [1, 1], window: [1, 1],
        hasCanvas: false, minZoom: 0.01, maxZoom: 100, zoomDivisor: 50, panFactor: 1.8,
        fit: 0, lock: 0, zoomLock: [0, -1, -1]
      };
    },

    with: function (s, changes) {
      return Object.assign({}, s, changes);
    },

    // [PosX, PosY, PosZ].
    GetPosition: function (s) {
      if (!s.hasCanvas) return [-s.start[0], -s.start[1], s.start[2]];
      var z = s.screen[2];
      return [-s.screen[0] / z, -s.screen[1] / z, z];
    },

    // From script values; a zoom of 0 or a number that is not finite changes nothing.
    SetPosition: function (s, posX, posY, posZ) {
      if (!finite(posX) || !finite(posY) || !finite(posZ) || posZ === 0) return s;
      if (!s.hasCanvas) return ViewModel.with(s, { start: [-posX, -posY, posZ] });
      return ViewModel.with(s, { screen: [-posX * posZ, -posY * posZ, posZ] });
    },

    SetMinZoom: function (s, value) {
      return finite(value) ? ViewModel.with(s, { minZoom: Math.max(value, 0.01) }) : s;
    },
    SetMaxZoom: function (s, value) {
      return finite(value) ? ViewModel.with(s, { maxZoom: value }) : s;
    },
    SetZoomSpeed: function (s, value) {
      return finite(value) ? ViewModel.with(s, { zoomDivisor: 50 / value }) : s;
    },
    ZoomSpeed: function (s) {
      return 50 / s.zoomDivisor;
    },
    SetPanSpeed: function (s, value) {
      return finite(value) ? ViewModel.with(s, { panFactor: 1.8 * value }) : s;
    },
    PanSpeed: function (s) {
      return s.panFactor / 1.8;
    },
    ZoomLock: function (s, x, y) {
      return ViewModel.with(s, { zoomLock: [1, x | 0, y | 0] });
    },
    ZoomUnlock: function (s) {
      return ViewModel.with(s, { zoomLock: [0, -1, -1] });
    },

    // Zooms by `step` keeping the picture point under the window point where it is; a
    // point off the picture holds the nearest picture point.
    ZoomAt: function (s, point, step) {
      if (!s.hasCanvas || !finite(step)) return s;
      var X = s.screen[0], Y = s.screen[1], Z = s.screen[2];
      var px = Math.min(Math.max((point[0] - X) / Z, 0), Math.max(s.image[0] - 1, 0));
      var py = Math.min(Math.max((point[1] - Y) / Z, 0), Math.max(s.image[1] - 1, 0));
      var z = Math.min(Math.max(Z + step, s.minZoom), s.maxZoom);
      var next = [X - (z - Z) * px, Y - (z - Z) * py, z];
      if (!finite(next[0]) || !finite(next[1]) || !finite(z) || z <= 0) return s;
      return ViewModel.with(s, { screen: next });
    },

    ZoomToFactor: function (s, factor) {
      var centre = [Math.trunc(s.window[0] / 2), Math.trunc(s.window[1] / 2)];
      return ViewModel.ZoomAt(s, centre, factor - s.screen[2]);
    },

    // A mouse zoom of `delta` at the cursor, or at the locked picture point (held to the
    // picture) on the whole window pixel where it shows.
    MouseZoom: function (s, cursor, delta) {
      var point = cursor;
      if (s.zoomLock[0] && s.hasCanvas) {
        var lx = Math.min(Math.max(s.zoomLock[1], 0), Math.max(s.image[0] - 1, 0));
        var ly = Math.min(Math.max(s.zoomLock[2], 0), Math.max(s.image[1] - 1, 0));
        point = [Math.trunc(s.screen[0] + lx * s.screen[2]), Math.trunc(s.screen[1] + ly * s.screen[2])];
      }
      return ViewModel.ZoomAt(s, point, delta / s.zoomDivisor);
    },

    // Moves the picture by -delta x pan factor, kept inside the window unless lock bit 0x04.
    Pan: function (s, delta) {
      if (!s.hasCanvas) return s;
      var f = s.panFactor, Z = s.screen[2];
      var next = [s.screen[0] - delta[0] * f, s.screen[1] - delta[1] * f, Z];
      if (!(s.lock & 0x04)) {
        for (var axis = 0; axis < 2; ++axis) {
          var W = s.window[axis], w = Math.trunc(s.image[axis] * Z);
          var old = s.screen[axis], now = next[axis];
          if (now > old) {
            if (w < W) {
              if (now > W - w) now = old < W - w ? W - w : old;
            } else if (now >= 0) {
              now = old;
            }
          } else if (now < old) {
            if (w < W) {
              if (now <= 0) now = 0;
            } else if (now < W - w) {
              now = old > W - w ? W - w : old;
            }
          }
          next[axis] = now;
        }
      }
      if (!finite(next[0]) || !finite(next[1])) return s;
      return ViewModel.with(s, { screen: next });
    },

    FitToWindow: function (s, bits) {
      if (!s.hasCanvas) return s;
      var W = s.window[0], H = s.window[1], w = s.image[0], h = s.image[1];
      var X = s.screen[0], Y = s.screen[1], zoom = s.screen[2];
      var centreX = (bits & 0x01) !== 0, centreY = (bits & 0x02) !== 0;
      if ((bits & 0x30) === 0x30) {
        var m = W / w, t = H / h;
        zoom = Math.abs(1 - t) > Math.abs(1 - m) ? m : t;
        if (bits & 0x100) {
          if (Math.trunc(w * zoom) > W) zoom = zoom * W / Math.trunc(w * zoom);
          else if (Math.trunc(h * zoom) > H) zoom = zoom * H / Math.trunc(h * zoom);
        }
        centreX = centreY = true;
      } else if (bits & 0x10) {
        zoom = W / w;
        centreX = true;
      } else if (bits & 0x20) {
        zoom = H / h;
        centreY = true;
      }
      if (!finite(zoom) || zoom <= 0) return s;
      if (centreX) X = Math.trunc((W - Math.trunc(w * zoom)) / 2);
      if (centreY) Y = Math.trunc((H - Math.trunc(h * zoom)) / 2);
      return ViewModel.with(s, { screen: [X, Y, zoom] });
    },

    Fit: function (s) {
      return ViewModel.FitToWindow(s, s.fit);
    },

    // One step of an animated move between script positions at d = elapsed / duration.
    // Methods other than 0 and 2 neither move nor end; a step of no measurable time (0 / 0)
    // counts as arrived.
    MoveToStep: function (start, goal, method, d) {
      if (method !== 0 && method !== 2) return { position: null, done: false };
      if (!(d < 1)) return { position: goal.slice(), done: true };
      if (method === 0) {
        return {
          position: [0, 1, 2].map(function (i) { return start[i] + (goal[i] - start[i]) * d; }),
          done: false
        };
      }
      var S = [start[0] * start[2], start[1] * start[2], start[2]];
      var G = [goal[0] * goal[2], goal[1] * goal[2], goal[2]];
      var P = [0, 1, 2].map(function (i) { return S[i] + (G[i] - S[i]) * d; });
      return { position: [P[0] / P[2], P[1] / P[2], P[2]], done: false };
    },

    // The frame of the 11-frame progress logo.
    LogoFrame: function (received, total) {
      if (total === 0 || received === 0) return 10;
      return Math.min(Math.max(Math.trunc(received / total * 10.5), 0), 10);
    }
  };

  // ---------------------------------------------------------------------------------------
  // Reading settings as the embedding tag gives them.

  function atoi(text) {
    var match = /^\s*[+-]?\d+/.exec(String(text));
    if (!match) return 0;
    return Math.min(Math.max(parseInt(match[0], 10), -2147483648), 2147483647);
  }

  function atof(text) {
    var match = /^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?/.exec(String(text));
    return match ? parseFloat(match[0]) : 0;
  }

  // Script values: numbers that are not finite change nothing.
  function intOf(value) {
    var n = Number(value);
    return isFinite(n) ? Math.trunc(n) | 0 : null;
  }
  function floatOf(value) {
    var n = Number(value);
    return isFinite(n) ? n : null;
  }

  function colorText(rgb) {
    return "rgb(" + ((rgb >> 16) & 255) + "," + ((rgb >> 8) & 255) + "," + (rgb & 255) + ")";
  }

  var EVENT_NAMES = {
    event_changedpos: "ChangedPos", event_onchangemode: "OnChangeMode",
    event_oncursor: "OnCursor", event_onload: "OnLoad", event_load: "OnLoad",
    event_ontime: "OnTime", event_time: "OnTime", event_zoomedtogoal: "ZoomedToGoal"
  };

  // ---------------------------------------------------------------------------------------
  // Targa pictures, which browsers do not read: the kinds the studio reads (colour mapped,
  // true colour of 16, 24 or 32 bits, gray; plain or run-length encoded; any row order),
  // decoded as the studio decodes them. Every read is checked against the file's end, and a
  // file that ends early, or a size its data cannot hold, gives no picture at all.

  // More pixels than this would take more than 512 MiB as RGBA before the page draws them.
  var TARGA_MAX_PIXELS = 1 << 27;
  var TARGA_MAX_SIDE = 32767;  // the largest canvas side browsers make

  var FIVE_BITS = [];
  for (var five = 0; five < 32; five++) FIVE_BITS.push(Math.floor((five * 255 + 15) / 31));

  function decodeTarga(buffer) {
    var b = new Uint8Array(buffer), end = b.length;
    if (end < 18) return null;
    var mapType = b[1], imageType = b[2];
    var mapFirst = b[3] | b[4] << 8, mapLength = b[5] | b[6] << 8, mapBits = b[7];
    var width = b[12] | b[13] << 8, height = b[14] | b[15] << 8;
    var depth = b[16] === 15 ? 16 : b[16], descriptor = b[17];
    if (mapType > 1 || depth < 8 || depth > 39 || depth % 8 !== 0 || descriptor > 63) return null;
    var bottomUp = (descriptor & 0x20) === 0, rightToLeft = (descriptor & 0x10) !== 0;
    var encoded = imageType >= 9, baseType = encoded ? imageType - 8 : imageType;
    var size = depth / 8;
    var kind = baseType === 1 && size === 1 && mapType === 1 ? "map"
             : baseType === 2 && size === 2 ? "rgb16"
             : baseType === 2 && (size === 3 || size === 4) ? "true"
             : baseType === 3 && size === 1 ? "gray" : null;
    if (!kind) return null;
    var at = 18 + b[0];
    // The colour map: 256 entries of red, green, blue; entries the file leaves out stay black.
    var map = new Uint8Array(256 * 3);
    if (mapLength !== 0) {
      if (mapLength > 256 || mapFirst !== 0) return null;
      var entry = (mapBits + 7) >> 3;
      if (at + mapLength * entry > end) return null;
      for (var m = 0; m < mapLength; m++) {
        var e = at + m * entry;
        if (mapBits === 24 || mapBits === 32) {
          map[m * 3] = b[e + 2]; map[m * 3 + 1] = b[e + 1]; map[m * 3 + 2] = b[e];
        } else if (mapBits === 15 || mapBits === 16) {
          var w = b[e] | b[e + 1] << 8;
          map[m * 3] = FIVE_BITS[(w >> 10) & 31];
          map[m * 3 + 1] = FIVE_BITS[(w >> 5) & 31];
          map[m * 3 + 2] = FIVE_BITS[w & 31];
        }
      }
      at += mapLength * entry;
    } else if (mapType === 1) {
      return null;
    }
    var pixels = width * height;
    if (pixels === 0 || width > TARGA_MAX_SIDE || height > TARGA_MAX_SIDE || pixels > TARGA_MAX_PIXELS) {
      return null;
    }
    // A packet covers at most 128 pixels, a plain file needs every pixel.
    var needed = encoded ? Math.ceil(pixels / 128) * (1 + size) : pixels * size;
    if (needed > end - at) return null;
    var rgba;
    try {
      rgba = new Uint8ClampedArray(pixels * 4);
    } catch (error) {
      return null;
    }
    var pixel = [0, 0, 0];
    function read() {
      if (at + size > end) return false;
      if (kind === "map") {
        var i = b[at] * 3;
        pixel[0] = map[i]; pixel[1] = map[i + 1]; pixel[2] = map[i + 2];
      } else if (kind === "rgb16") {
        var v = b[at] | b[at + 1] << 8;
        pixel[0] = FIVE_BITS[(v >> 10) & 31]; pixel[1] = FIVE_BITS[(v >> 5) & 31]; pixel[2] = FIVE_BITS[v & 31];
      } else if (kind === "true") {
        pixel[0] = b[at + 2]; pixel[1] = b[at + 1]; pixel[2] = b[at];
      } else {
        pixel[0] = pixel[1] = pixel[2] = b[at];
      }
      at += size;
      return true;
    }
    // Runs may cross row ends: the pixels are one sequence in the file's order.
    var repeat = 0, raw = 0;
    for (var n = 0; n < pixels; n++) {
      if (encoded && repeat === 0 && raw === 0) {
        if (at >= end) return null;
        var packet = b[at++], count = (packet & 0x7F) + 1;
        if (packet & 0x80) {
          if (!read()) return null;
          repeat = count;
        } else {
          raw = count;
        }
      }
      if (repeat > 0) {
        repeat--;
      } else {
        if (raw > 0) raw--;
        if (!read()) return null;
      }
      var row = Math.floor(n / width), column = n - row * width;
      if (bottomUp) row = height - 1 - row;
      if (rightToLeft) column = width - 1 - column;
      var o = (row * width + column) * 4;
      rgba[o] = pixel[0]; rgba[o + 1] = pixel[1]; rgba[o + 2] = pixel[2]; rgba[o + 3] = 255;
    }
    return { width: width, height: height, rgba: rgba };
  }

  // The kind of picture the name says, as the studio tells it: by the name's end alone.
  function pictureKind(name) {
    var path = String(name).replace(/[?#].*$/, "").toLowerCase();
    if (/\.(tga|targa)$/.test(path)) return "targa";
    if (/\.lwf$/.test(path)) return "lwf";
    return "";
  }

  // ---------------------------------------------------------------------------------------
  // One viewer on its element.

  var viewers = new WeakMap();

  function Viewer(element) {
    this.element = element;
    this.model = ViewModel.create();
    this.fileName = "";
    this.zoomSource = null;
    this.zoomSize = [0, 0];
    this.levels = null;
    this.loadError = false;
    this.loadMessage = "";
    this.loadToken = 0;
    this.bgColor = 0x141414;
    this.canvasColor = 0;
    this.borderColor = 0;
    this.borderWidth = 0;
    this.borderHeight = 0;
    this.showLogo = 1;
    this.unnamed = 1;
    this.events = {};
    this.queue = [];
    this.deliverTimer = 0;
    this.move = null;
    this.pan = null;
    this.zoom = null;
    this.input = [0, 0, 0];
    this.beforeInput = null;
    this.dirty = true;
    this.frameRequest = 0;
    this.lastFrame = 0;
    this.pendingFit = 0;
    this.pendingMode = -1;
    this.buildCanvas();
  }

  Viewer.prototype.buildCanvas = function () {
    var element = this.element;
    if (getComputedStyle(element).display === "inline") element.style.display = "inline-block";
    ["width", "height"].forEach(function (name) {
      var size = atoi(element.getAttribute(name) || "0");
      if (size > 0 && !element.style[name]) element.style[name] = size + "px";
    });
    // The picture the page shows without this script gives way to the canvas.
    Array.prototype.forEach.call(element.children, function (child) {
      if (child.tagName !== "PARAM") child.style.display = "none";
    });
    var canvas = document.createElement("canvas");
    canvas.style.display = "block";
    canvas.style.width = "100%";
    canvas.style.height = "100%";
    canvas.style.touchAction = "none";
    element.appendChild(canvas);
    this.canvas = canvas;
    this.makeFocusable();
    this.context = canvas.getContext("2d");
    this.listen();
    var self = this;
    if (window.ResizeObserver) new ResizeObserver(function () { self.invalidate(); }).observe(canvas);
  };

  // ---- Keyboard users. Browsers leave <object> out of the tab order, so the canvas takes
  // the focus (the keys reach the element's handler from it), shows it when it came from the
  // keyboard, and tells screen readers what it shows. A page that focuses the element itself
  // means the viewer: the element hands its focus on to the canvas.
  var FOCUS_STYLE = "vantelo-focus";

  Viewer.prototype.makeFocusable = function () {
    var canvas = this.canvas, element = this.element;
    canvas.className = FOCUS_STYLE;
    canvas.tabIndex = 0;
    canvas.setAttribute("role", "img");
    this.labelCanvas();
    Object.defineProperty(element, "focus", {
      configurable: true,
      value: function (options) { canvas.focus(options); }
    });
    // An element the page made focusable itself passes the focus on, except to a Shift+Tab
    // that leaves the canvas backwards.
    element.addEventListener("focus", function (event) {
      if (event.target === element && event.relatedTarget !== canvas) canvas.focus();
    });
    if (document.getElementById(FOCUS_STYLE)) return;
    var style = document.createElement("style");
    style.id = FOCUS_STYLE;
    style.textContent = "canvas." + FOCUS_STYLE + ":focus { outline: none; }\n" +
        "canvas." + FOCUS_STYLE + ":focus-visible { outline: 3px solid #4a90e2;" +
        " outline-offset: -3px; }";
    (document.head || document.documentElement).appendChild(style);
  };

  // The label is the picture's name, without its folder, as its owner wrote it: an address
  // is read with its escapes undone ("Gr%C3%B6%C3%9Fe.jpg" is heard as "Größe.jpg").
  Viewer.prototype.labelCanvas = function () {
    var name = String(this.fileName || "").replace(/[?#].*$/, "");
    name = name.slice(Math.max(name.lastIndexOf("/"), name.lastIndexOf("\\")) + 1);
    try {
      name = decodeURIComponent(name);
    } catch (error) {
      // A '%' that begins no escape is part of the name.
    }
    this.canvas.setAttribute("aria-label", name || "Picture");
  };

  // The window size in page pixels.
  Viewer.prototype.windowSize = function () {
    var w = this.canvas.clientWidth, h = this.canvas.clientHeight;
    if (!(w > 0 && h > 0)) {
      w = atoi(this.element.getAttribute("width") || "0");
      h = atoi(this.element.getAttribute("height") || "0");
    }
    return [Math.max(w, 1), Math.max(h, 1)];
  };

  Viewer.prototype.update = function (change) {
    var model = this.model;
    model.window = this.windowSize();
    this.model = change(model);
    this.invalidate();
  };

  Viewer.prototype.position = function () {
    return ViewModel.GetPosition(this.model);
  };

  // ---- Embed attributes: the tag's attributes, then its <param>s, last one wins.
  Viewer.prototype.applyEmbedAttributes = function () {
    var element = this.element, pairs = [];
    Array.prototype.forEach.call(element.attributes, function (a) { pairs.push([a.name, a.value]); });
    Array.prototype.forEach.call(element.children, function (child) {
      if (child.tagName === "PARAM") {
        pairs.push([child.getAttribute("name") || "", child.getAttribute("value") || ""]);
      }
    });
    var members = this.members;
    var floats = { param_posx: "PosX", param_posy: "PosY", param_posz: "PosZ",
                   param_panspeed: "PanSpeed", param_zoomspeed: "ZoomSpeed",
                   param_minzoom: "MinZoom", param_maxzoom: "MaxZoom" };
    var ints = { param_userinterfacelock: "UserInterfaceLock", param_showlogo: "ShowLogo",
                 param_fit: "Fit", param_borderheight: "BorderHeight",
                 param_borderwidth: "BorderWidth", param_bordercolor: "BorderColor",
                 param_bgcolor: "BgColor" };
    for (var i = 0; i < pairs.length; ++i) {
      var name = pairs[i][0].toLowerCase(), value = pairs[i][1];
      if (name === "param_filename") this.fileName = value;
      else if (floats[name]) members[floats[name]].set.call(this, atof(value));
      else if (ints[name]) members[ints[name]].set.call(this, atoi(value));
      else if (EVENT_NAMES[name]) this.events[EVENT_NAMES[name]] = value.trim();
      // "param_fullscreen" asks for nothing: there is no window to fill yet.
    }
  };

  // ---- Loading: the picture and its pyramid of halvings, made once.
  Viewer.prototype.load = function () {
    var self = this, token = ++this.loadToken, name = this.fileName;
    this.labelCanvas();
    // The picture shown so far stays until the next one is ready.
    this.loadError = false;
    this.loadMessage = "";
    if (!name) return;
    function failed(message) {
      if (token !== self.loadToken) return;
      self.loadError = true;
      self.loadMessage = message || "";
      self.canvas.setAttribute("aria-label", self.errorLines().join(" "));
      self.invalidate();
      self.fire("OnLoad", []);
    }
    function ready(source, size) {
      var bitmap = window.createImageBitmap ? createImageBitmap(source) : Promise.resolve(source);
      bitmap.catch(function () { return source; }).then(function (level0) {
        if (token === self.loadToken) self.loaded(level0, size);
      });
    }
    var kind = pictureKind(name);
    if (kind === "lwf") {
      failed("LuraWave pictures cannot be shown in a browser.");
    } else if (kind === "targa") {
      this.loadTarga(name, ready, failed);
    } else {
      var image = new Image();
      image.onload = function () { ready(image, image); };
      image.onerror = function () { failed(); };
      image.src = name;
    }
  };

  // A page opened from disk may not read its files (a browser allows it only when told so);
  // then the picture fails to load as a missing one does.
  Viewer.prototype.loadTarga = function (name, ready, failed) {
    var request = new XMLHttpRequest();
    request.onload = function () {
      var ok = (request.status === 0 || (request.status >= 200 && request.status < 300)) &&
               request.response instanceof ArrayBuffer;
      var picture = ok ? decodeTarga(request.response) : null;
      if (!picture) {
        failed();
        return;
      }
      var canvas = document.createElement("canvas");
      canvas.width = picture.width;
      canvas.height = picture.height;
      var context = canvas.getContext("2d");
      if (!context) {
        failed();
        return;
      }
      context.putImageData(new ImageData(picture.rgba, picture.width, picture.height), 0, 0);
      ready(canvas, { naturalWidth: picture.width, naturalHeight: picture.height });
    };
    request.onerror = function () { failed(); };
    try {
      request.open("GET", name);
      request.responseType = "arraybuffer";
      request.send();
    } catch (error) {
      failed();
    }
  };

  Viewer.prototype.errorLines = function () {
    var lines = ["Error loading: " + this.fileName];
    if (this.loadMessage) lines.push(this.loadMessage);
    return lines;
  };

  Viewer.prototype.loaded = function (level0, image) {
    var natural = [image.naturalWidth || level0.width, image.naturalHeight || level0.height];
    var size = natural;
    if (this.fileName === this.zoomSource && this.zoomSize[0] > 0 && this.zoomSize[1] > 0) {
      size = this.zoomSize.slice();
    }
    this.levels = [level0];
    this.natural = natural;
    var start = this.model.start;
    this.update(function (s) {
      s = ViewModel.with(s, { hasCanvas: true, image: size });
      s = ViewModel.with(s, { screen: [start[0] * start[2], start[1] * start[2], start[2]] });
      return ViewModel.Fit(s);
    });
    this.fire("OnLoad", []);
    this.halve(this.loadToken);
  };

  Viewer.prototype.halve = function (token) {
    var self = this, levels = this.levels, last = levels[levels.length - 1];
    if (!window.createImageBitmap || Math.max(last.width, last.height) <= 64) return;
    createImageBitmap(last, {
      resizeWidth: Math.ceil(last.width / 2), resizeHeight: Math.ceil(last.height / 2),
      resizeQuality: "medium"
    }).then(function (level) {
      if (token !== self.loadToken) return;
      levels.push(level);
      self.invalidate();
      self.halve(token);
    }, function () {});
  };

  // ---- Events: queued, delivered after the member call that raised them returns.
  Viewer.prototype.fire = function (kind, args) {
    if (!this.events[kind]) return;
    this.queue.push([kind, args]);
    var self = this;
    if (!this.deliverTimer) this.deliverTimer = setTimeout(function () { self.deliver(); }, 0);
  };

  Viewer.prototype.deliver = function () {
    clearTimeout(this.deliverTimer);
    this.deliverTimer = 0;
    var records = this.queue;
    this.queue = [];
    for (var i = 0; i < records.length; ++i) this.call(records[i][0], records[i][1]);
  };

  // The page function an event names: a global name or a dotted path; never code.
  Viewer.prototype.call = function (kind, args) {
    var name = this.events[kind];
    if (!name) return;
    try {
      var owner = window, target = window, parts = name.split(".");
      for (var i = 0; i < parts.length; ++i) {
        if (target === null || (typeof target !== "object" && typeof target !== "function")) return;
        owner = target;
        target = Object.prototype.hasOwnProperty.call(target, parts[i]) || parts[i] in target
          ? target[parts[i]] : undefined;
      }
      if (typeof target === "function") target.apply(owner, args);
    } catch (error) {
      // The page's handler failed, not the viewer: report it and go on.
      if (window.console) console.error(error);
    }
  };

  Viewer.prototype.firePosition = function () {
    this.fire("ChangedPos", this.position());
  };

  // ---- Frames: drawn on animation frames while something is to be drawn or moved.
  Viewer.prototype.invalidate = function () {
    this.dirty = true;
    this.schedule();
  };

  Viewer.prototype.schedule = function () {
    var self = this;
    if (!this.frameRequest) {
      this.frameRequest = requestAnimationFrame(function (now) { self.frame(now); });
    }
  };

  Viewer.prototype.frame = function (now) {
    this.frameRequest = 0;
    var delta = this.lastFrame ? now - this.lastFrame : 0;
    this.lastFrame = now;
    if (this.queue.length) this.deliver();
    if (this.events.OnTime) this.call("OnTime", []);
    this.applyInput();
    this.applyPendingFit();
    this.step(delta);
    if (this.dirty) this.render();
    if (this.move || this.events.OnTime || this.dirty) this.schedule();
    else this.lastFrame = 0;
  };

  Viewer.prototype.step = function (delta) {
    var move = this.move;
    if (!move) return;
    move.elapsed += delta;
    var result = ViewModel.MoveToStep(move.start, move.goal, move.method,
                                      move.duration ? move.elapsed / move.duration : 1);
    if (result.done) {
      this.move = null;
      this.setPosition(move.goal);
      this.fire("ZoomedToGoal", []);
    } else if (result.position) {
      this.setPosition(result.position);
    }
    this.invalidate();
  };

  Viewer.prototype.setPosition = function (p) {
    this.update(function (s) { return ViewModel.SetPosition(s, p[0], p[1], p[2]); });
  };

  Viewer.prototype.applyPendingFit = function () {
    if (!this.pendingFit) return;
    var bits = this.pendingFit, mode = this.pendingMode;
    this.pendingFit = 0;
    this.update(function (s) { return ViewModel.FitToWindow(s, bits); });
    this.firePosition();
    var size = this.windowSize();
    if (this.events.OnChangeMode) this.fire("OnChangeMode", [mode, size[0], size[1]]);
  };

  Viewer.prototype.render = function () {
    this.dirty = false;
    var canvas = this.canvas, context = this.context;
    var ratio = window.devicePixelRatio || 1;
    var size = this.windowSize(), W = size[0], H = size[1];
    var width = Math.max(1, Math.round(W * ratio)), height = Math.max(1, Math.round(H * ratio));
    if (canvas.width !== width) canvas.width = width;
    if (canvas.height !== height) canvas.height = height;
    context.setTransform(ratio, 0, 0, ratio, 0, 0);
    var s = this.model, levels = this.levels;
    var X = s.screen[0], Y = s.screen[1], Z = s.screen[2], w = s.image[0], h = s.image[1];
    var shown = levels && s.hasCanvas && !this.loadError;
    if (!shown || X > 0 || Y > 0 || X + w * Z < W || Y + h * Z < H) {
      context.fillStyle = colorText(this.bgColor);
      context.fillRect(0, 0, W, H);
    }
    if (shown) {
      // Only the part of the picture inside the window, from the smallest halving that
      // still has a pixel for every device pixel.
      var x0 = Math.max(0, -X / Z), y0 = Math.max(0, -Y / Z);
      var x1 = Math.min(w, (W - X) / Z), y1 = Math.min(h, (H - Y) / Z);
      if (x1 > x0 && y1 > y0) {
        var detail = Z * ratio * w / this.natural[0];
        var k = detail > 0 ? Math.floor(Math.log2(1 / detail)) : 0;
        var level = levels[Math.min(Math.max(k, 0), levels.length - 1)];
        var fx = level.width / w, fy = level.height / h;
        context.drawImage(level, x0 * fx, y0 * fy, (x1 - x0) * fx, (y1 - y0) * fy,
                          X + x0 * Z, Y + y0 * Z, (x1 - x0) * Z, (y1 - y0) * Z);
      }
    } else if (this.loadError) {
      context.fillStyle = (((this.bgColor >> 16) & 255) + ((this.bgColor >> 8) & 255) +
                           (this.bgColor & 255)) > 384 ? "#000" : "#fff";
      context.font = "13px sans-serif";
      context.textAlign = "center";
      context.textBaseline = "alphabetic";
      this.errorLines().forEach(function (line, i) { context.fillText(line, W / 2, H / 2 + 40 + 18 * i); });
    }
    this.drawBorder(W, H);
  };

  Viewer.prototype.drawBorder = function (W, H) {
    var bw = Math.min(this.borderWidth, W), bh = Math.min(this.borderHeight, H);
    if (bw <= 0 && bh <= 0) return;
    var c = this.borderColor;
    var context = this.context;
    // The border colour keeps red in its low byte.
    context.fillStyle = "rgb(" + (c & 255) + "," + ((c >> 8) & 255) + "," + ((c >> 16) & 255) + ")";
    if (bh > 0) {
      context.fillRect(0, 0, W, bh);
      context.fillRect(0, H - bh, W, bh);
    }
    if (bw > 0) {
      context.fillRect(0, 0, bw, H);
      context.fillRect(W - bw, 0, bw, H);
    }
  };

  // ---- Input: left drag pans, right drag zooms, the wheel zooms, keys pan, zoom and fit.
  Viewer.prototype.noteInput = function () {
    if (!this.beforeInput) this.beforeInput = this.position();
  };

  Viewer.prototype.applyInput = function () {
    var input = this.input, s = this.model;
    this.input = [0, 0, 0];
    if (this.zoom && input[2] && !(s.lock & 0x02)) {
      this.noteInput();
      var delta = Math.min(Math.max(-input[2], -128), 128), point = this.zoom.point;
      this.update(function (m) { return ViewModel.MouseZoom(m, point, delta); });
    }
    if (this.pan && (input[0] || input[1]) && !(s.lock & 0x01)) {
      this.noteInput();
      this.update(function (m) { return ViewModel.Pan(m, [-input[0], -input[1]]); });
    }
    var before = this.beforeInput;
    this.beforeInput = null;
    if (before) {
      var now = this.position();
      if (now[0] !== before[0] || now[1] !== before[1] || now[2] !== before[2]) this.firePosition();
    }
  };

  Viewer.prototype.pointIn = function (event) {
    var box = this.canvas.getBoundingClientRect();
    return [event.clientX - box.left, event.clientY - box.top];
  };

  Viewer.prototype.cursor = function (event) {
    if (!this.events.OnCursor) return;
    var point = this.pointIn(event);
    this.fire("OnCursor", [event.buttons & 3, Math.trunc(point[0]), Math.trunc(point[1])]);
  };

  Viewer.prototype.endDrags = function () {
    this.pan = null;
    this.zoom = null;
    this.canvas.style.cursor = "";
  };

  Viewer.prototype.listen = function () {
    var self = this, canvas = this.canvas, element = this.element;
    canvas.addEventListener("pointerdown", function (event) {
      if (!self.levels || !self.model.hasCanvas) return;
      canvas.focus({ preventScroll: true });
      self.cursor(event);
      var point = self.pointIn(event);
      if (event.button === 0 && !self.zoom) {
        self.pan = { last: point };
      } else if (event.button === 2 && !self.pan) {
        self.zoom = { point: point, last: point };
        canvas.style.cursor = "none";
      } else {
        return;
      }
      canvas.setPointerCapture(event.pointerId);
      event.preventDefault();
    });
    canvas.addEventListener("pointermove", function (event) {
      self.cursor(event);
      var drag = self.pan || self.zoom;
      if (!drag) return;
      var point = self.pointIn(event);
      var dx = point[0] - drag.last[0], dy = point[1] - drag.last[1];
      drag.last = point;
      if (self.pan) {
        self.input[0] += dx;
        self.input[1] += dy;
      } else {
        self.input[2] += dy;
      }
      self.schedule();
    });
    function release(event) {
      if ((event.button === 0 && self.pan) || (event.button === 2 && self.zoom) ||
          event.type === "pointercancel") {
        self.applyInput();
        self.endDrags();
        if (self.showLogo !== 0) self.invalidate();
      }
      self.cursor(event);
    }
    canvas.addEventListener("pointerup", release);
    canvas.addEventListener("pointercancel", release);
    canvas.addEventListener("wheel", function (event) {
      if (!self.levels || !self.model.hasCanvas) return;
      event.preventDefault();
      if (self.model.lock & 0x02) return;
      var steps = event.deltaY / (event.deltaMode === 1 ? 3 : event.deltaMode === 2 ? 1 : 100);
      // Each notch scales the zoom by 1.2 at zoom speed 1, in and out alike.
      var point = self.pointIn(event), Z = self.model.screen[2];
      var delta = 50 * Z * (Math.pow(1.2, -steps) - 1);
      self.noteInput();
      self.update(function (m) { return ViewModel.MouseZoom(m, point, delta); });
    }, { passive: false });
    canvas.addEventListener("contextmenu", function (event) {
      if (!event.shiftKey && !event.ctrlKey) event.preventDefault();
    });
    // The viewer takes its own clicks, as a plug-in window did: inside a link, the click
    // that ends a drag (or any click) pans or does nothing and never follows the link.
    function takeClick(event) {
      event.preventDefault();
      event.stopPropagation();
    }
    element.addEventListener("click", takeClick);
    element.addEventListener("auxclick", takeClick);
    element.addEventListener("keydown", function (event) {
      if (event.key === "Escape") {
        self.endDrags();
        return;
      }
      if (!self.model.hasCanvas) return;
      var size = self.windowSize(), centre = [size[0] / 2, size[1] / 2];
      var zooming = event.ctrlKey || event.shiftKey;
      switch (event.key) {
        case " ":
        case "Spacebar":
          self.update(function (s) { return ViewModel.FitToWindow(s, CENTER_FIT); });
          self.firePosition();
          break;
        case "ArrowLeft": self.update(function (s) { return ViewModel.Pan(s, [-4, 0]); }); break;
        case "ArrowRight": self.update(function (s) { return ViewModel.Pan(s, [4, 0]); }); break;
        case "ArrowUp":
          self.update(function (s) {
            return zooming ? ViewModel.ZoomAt(s, centre, 0.05) : ViewModel.Pan(s, [0, -4]);
          });
          break;
        case "ArrowDown":
          self.update(function (s) {
            return zooming ? ViewModel.ZoomAt(s, centre, -0.05) : ViewModel.Pan(s, [0, 4]);
          });
          break;
        default:
          return;
      }
      // The page's own keys (turning pages, scrolling) wait while the viewer has them.
      event.preventDefault();
      event.stopPropagation();
    });
    document.addEventListener("fullscreenchange", function () {
      var full = document.fullscreenElement === element;
      if (full === self.fullscreen) return;
      self.fullscreen = full;
      self.pendingFit = full ? CENTER_FIT : (self.model.fit || CENTER_FIT);
      self.pendingMode = full ? 1 : 0;
      self.invalidate();
    });
  };

  // ---- The scripting members on the element.
  function member(get, set) {
    return { get: get, set: set };
  }

  Viewer.prototype.members = {
    Filename: member(function () { return this.fileName; }, function (value) {
      var name = String(value);
      if (name === this.fileName && !this.loadError) return;
      this.fileName = name;
      this.load();
    }),
    UserInterfaceLock: member(function () { return this.model.lock; }, function (value) {
      var n = intOf(value);
      if (n !== null) this.model = ViewModel.with(this.model, { lock: n & 0xFFFF });
    }),
    Version: member(function () { return VERSION; }, function () {}),
    BgColor: member(function () { return this.bgColor; }, function (value) {
      var n = intOf(value);
      if (n === null) return;
      this.bgColor = n & 0xFFFFFF;
      this.members.CanvasColor.set.call(this, n);
      this.invalidate();
    }),
    CanvasColor: member(function () { return this.canvasColor; }, function (value) {
      var n = intOf(value);
      if (n !== null) this.canvasColor = n & 0xFFFFFF;
      this.invalidate();
    }),
    CanvasWidth: member(function () { return this.model.image[0]; }, function (value) {
      this.resizeCanvas(intOf(value), this.model.image[1]);
    }),
    CanvasHeight: member(function () { return this.model.image[1]; }, function (value) {
      this.resizeCanvas(this.model.image[0], intOf(value));
    }),
    MaxZoom: member(function () { return this.model.maxZoom; }, function (value) {
      this.update(function (s) { return ViewModel.SetMaxZoom(s, floatOf(value)); });
    }),
    MinZoom: member(function () { return this.model.minZoom; }, function (value) {
      this.update(function (s) { return ViewModel.SetMinZoom(s, floatOf(value)); });
    }),
    ZoomSpeed: member(function () { return ViewModel.ZoomSpeed(this.model); }, function (value) {
      this.update(function (s) { return ViewModel.SetZoomSpeed(s, floatOf(value)); });
    }),
    PanSpeed: member(function () { return ViewModel.PanSpeed(this.model); }, function (value) {
      this.update(function (s) { return ViewModel.SetPanSpeed(s, floatOf(value)); });
    }),
    BorderColor: member(function () { return this.borderColor; }, function (value) {
      var n = intOf(value);
      if (n !== null) this.borderColor = n;
      this.invalidate();
    }),
    BorderWidth: member(function () { return this.borderWidth; }, function (value) {
      var n = intOf(value);
      if (n !== null) this.borderWidth = n;
      this.invalidate();
    }),
    BorderHeight: member(function () { return this.borderHeight; }, function (value) {
      var n = intOf(value);
      if (n !== null) this.borderHeight = n;
      this.invalidate();
    }),
    Fit: member(function () { return this.model.fit; }, function (value) {
      var n = intOf(value);
      if (n === null) return;
      this.update(function (s) { return ViewModel.Fit(ViewModel.with(s, { fit: n })); });
    }),
    PosX: member(function () { return this.position()[0]; }, function (value) {
      var p = this.position(), x = floatOf(value);
      if (x !== null && x !== p[0]) this.setPosition([x, p[1], p[2]]);
    }),
    PosY: member(function () { return this.position()[1]; }, function (value) {
      var p = this.position(), y = floatOf(value);
      if (y !== null && y !== p[1]) this.setPosition([p[0], y, p[2]]);
    }),
    PosZ: member(function () { return this.position()[2]; }, function (value) {
      var p = this.position(), z = floatOf(value);
      if (z !== null && z !== 0 && z !== p[2]) this.setPosition([p[0], p[1], z]);
    }),
    ShowLogo: member(function () { return this.showLogo; }, function (value) {
      var n = intOf(value);
      if (n !== null) this.showLogo = n;
      this.invalidate();
    }),
    Fullscreen: member(function () {
      return document.fullscreenElement === this.element ? 1 : 0;
    }, function (value) {
      var element = this.element;
      var ignore = function () {};
      if (Number(value) === 1) {
        if (element.requestFullscreen) Promise.resolve(element.requestFullscreen()).catch(ignore);
      } else if (document.fullscreenElement === element) {
        Promise.resolve(document.exitFullscreen()).catch(ignore);
      }
    })
  };

  Viewer.prototype.resizeCanvas = function (width, height) {
    // A size that is not positive would leave nothing to draw into.
    if (width === null || height === null || width <= 0 || height <= 0) return;
    if (width === this.model.image[0] && height === this.model.image[1]) return;
    this.update(function (s) { return ViewModel.with(s, { image: [width, height] }); });
  };

  Viewer.prototype.methods = {
    SetPosition: function (x, y, z) {
      this.setPosition([Number(x), Number(y), Number(z)]);
    },
    // Returns [x, y, z] and also fills the `value` of objects passed in.
    GetPosition: function (x, y, z) {
      var p = this.position();
      [x, y, z].forEach(function (out, i) {
        if (out !== null && typeof out === "object") out.value = p[i];
      });
      return p;
    },
    MoveTo: function (x, y, z, timeMs, method) {
      var goal = [Number(x), Number(y), Number(z)];
      if (!goal.every(finite)) return;
      var ms = Number(timeMs) >>> 0;
      var start = this.position();
      if (ms === 0) {
        this.move = null;
        this.setPosition(goal);
        var now = this.position();
        if (now[0] !== start[0] || now[1] !== start[1] || now[2] !== start[2]) this.firePosition();
        this.fire("ZoomedToGoal", []);
        return;
      }
      this.move = { start: start, goal: goal, duration: ms, elapsed: 0, method: intOf(method) };
      this.schedule();
    },
    ReSizeCanvas: function (width, height) {
      this.resizeCanvas(intOf(width), intOf(height));
    },
    RedrawCanvas: function () {
      this.render();
    },
    ZoomLock: function (x, y) {
      this.model = ViewModel.ZoomLock(this.model, Number(x), Number(y));
    },
    ZoomUnlock: function () {
      this.model = ViewModel.ZoomUnlock(this.model);
    }
  };

  Viewer.prototype.attach = function () {
    var self = this, element = this.element;
    Object.keys(this.members).forEach(function (name) {
      var member = self.members[name];
      Object.defineProperty(element, name, {
        configurable: true,
        get: function () { return member.get.call(self); },
        set: function (value) { member.set.call(self, value); }
      });
    });
    Object.keys(this.methods).forEach(function (name) {
      var method = self.methods[name];
      Object.defineProperty(element, name, {
        configurable: true,
        value: function () { return method.apply(self, arguments); }
      });
    });
  };

  function upgrade(element, zoom) {
    if (viewers.has(element)) return element;
    var viewer = new Viewer(element);
    viewers.set(element, viewer);
    viewer.attach();
    viewer.applyEmbedAttributes();
    if (zoom) {
      viewer.zoomSource = viewer.fileName;
      viewer.zoomSize = zoom;
    }
    viewer.load();
    return element;
  }

  function isViewer(element) {
    return (element.getAttribute("classid") || "").trim().toUpperCase() === CLASSID.toUpperCase();
  }

  // Whether the parser has passed the element, so that all its <param>s are there.
  function isComplete(element) {
    for (var node = element; node; node = node.parentNode) {
      if (node.nextSibling) return true;
    }
    return document.readyState !== "loading";
  }

  function upgradeAll() {
    var objects = document.getElementsByTagName("object");
    for (var i = 0; i < objects.length; ++i) {
      if (!viewers.has(objects[i]) && isViewer(objects[i]) && isComplete(objects[i])) {
        upgrade(objects[i], null);
      }
    }
  }

  function Vantelo(zoomSource, zoomWidth, zoomHeight, pagePicture, pageWidth, pageHeight) {
    var settings = VanteloSettings;
    var element = document.createElement("object");
    element.setAttribute("classid", CLASSID);
    var width = atoi(pageWidth), height = atoi(pageHeight);
    if (!(width > 0 && height > 0)) {
      width = settings.width > 0 ? settings.width : 320;
      height = settings.height > 0 ? settings.height : 200;
    }
    element.setAttribute("width", width);
    element.setAttribute("height", height);
    var params = [["param_filename", zoomSource || pagePicture || ""]];
    var numbers = [["param_bgcolor", settings.background], ["param_borderwidth", settings.borderWidth],
                   ["param_borderheight", settings.borderHeight], ["param_userinterfacelock", settings.lock],
                   ["param_fit", settings.fit], ["param_minzoom", settings.minZoom],
                   ["param_maxzoom", settings.maxZoom]];
    if (finite(settings.border)) {
      // The viewer reads border colours with red in the low byte.
      var b = settings.border;
      numbers.push(["param_bordercolor", ((b & 255) << 16) | (b & 0xFF00) | ((b >> 16) & 255)]);
    }
    numbers.forEach(function (pair) { if (finite(pair[1])) params.push(pair); });
    params.forEach(function (pair) {
      var param = document.createElement("param");
      param.setAttribute("name", pair[0]);
      param.setAttribute("value", String(pair[1]));
      element.appendChild(param);
    });
    var script = document.currentScript;
    if (script && script.parentNode) script.parentNode.insertBefore(element, script.nextSibling);
    else (document.body || document.documentElement).appendChild(element);
    var zoom = zoomSource ? [atoi(zoomWidth), atoi(zoomHeight)] : [0, 0];
    return upgrade(element, zoom);
  }

  Vantelo.ViewModel = ViewModel;

  // Objects the parser adds become viewers before the next script of the page runs.
  if (document.readyState === "loading") {
    var observer = new MutationObserver(upgradeAll);
    observer.observe(document, { childList: true, subtree: true });
    document.addEventListener("DOMContentLoaded", function () {
      observer.disconnect();
      upgradeAll();
    });
  } else {
    upgradeAll();
  }

  return Vantelo;
})();
