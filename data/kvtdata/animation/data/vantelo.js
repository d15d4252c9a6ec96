// Vantelo page script: shows a picture where a page calls it.
//
//   VT0 = new Vantelo(source, sourceWidth, sourceHeight, picture, width, height);
//
// called from an inline script, followed by a <noscript> with a plain <img> for browsers
// without scripts. The zoom viewer is not part of this script yet: it shows the picture
// (the zoom source, or the page picture when there is none), scaled down to fit its place.
// The studio expands this file as a template: the viewer settings below are the studio's
// preferences when the page was made.

// The studio prints colours and flags in hexadecimal; the viewer reads numbers.
var VanteloSettings = {
  background: parseInt("{{vantelobgcolor}}", 16),
  border: parseInt("{{vantelobordercolor}}", 16),
  borderWidth: {{vanteloborderwidth}},
  borderHeight: {{vanteloborderheight}},
  lock: parseInt("{{vantelolock}}", 16),
  fit: parseInt("{{vantelofit}}", 16),
  minZoom: {{vantelominzoom}},
  maxZoom: {{vantelomaxzoom}},
  width: {{vantelowidth}},
  height: {{vanteloheight}}
};

function Vantelo(source, sourceWidth, sourceHeight, picture, width, height) {
  var settings = VanteloSettings;
  this.source = source || picture;
  this.width = Number(sourceWidth) || Number(width) || 0;
  this.height = Number(sourceHeight) || Number(height) || 0;

  var frame = document.createElement("span");
  frame.className = "vantelo";
  frame.style.display = "inline-block";
  frame.style.maxWidth = "100%";
  if (typeof settings.background === "number" && settings.background >= 0) {
    frame.style.backgroundColor = Vantelo.cssColor(settings.background);
  }
  var image = document.createElement("img");
  image.alt = "";
  image.style.display = "block";
  image.style.maxWidth = "100%";
  image.style.height = "auto";
  if (this.width > 0 && this.height > 0) {
    image.width = this.width;
    image.height = this.height;
  }
  image.src = this.source;
  frame.appendChild(image);
  this.element = frame;
  this.image = image;

  // The picture takes the place of the script that made it.
  var script = document.currentScript;
  if (script && script.parentNode) {
    script.parentNode.insertBefore(frame, script.nextSibling);
  } else if (document.readyState === "loading") {
    var id = "vantelo" + Vantelo.count++;
    document.write('<span id="' + id + '"></span>');
    document.getElementById(id).appendChild(frame);
  } else {
    document.body.appendChild(frame);
  }
}

Vantelo.count = 0;

// "#rrggbb" of a number 0xRRGGBB.
Vantelo.cssColor = function (value) {
  var text = (value & 0xffffff).toString(16);
  while (text.length < 6) text = "0" + text;
  return "#" + text;
};

// Shows another picture in the same place.
Vantelo.prototype.load = function (source, width, height) {
  this.source = source;
  this.width = Number(width) || 0;
  this.height = Number(height) || 0;
  if (this.width > 0 && this.height > 0) {
    this.image.width = this.width;
    this.image.height = this.height;
  } else {
    this.image.removeAttribute("width");
    this.image.removeAttribute("height");
  }
  this.image.src = source;
};
