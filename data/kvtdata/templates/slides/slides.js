// The slide show: one picture at a time, a strip of thumbnails, the arrow keys and a timer.

var Slides = {
  images: [],
  current: 0,
  timer: null,
  seconds: 5,

  start: function (images, thumbs, seconds) {
    if (!images.length || !window.VT0) return;
    Slides.images = images;
    Slides.seconds = seconds > 0 ? seconds : 5;
    var strip = document.getElementById("strip");
    images.forEach(function (name, index) {
      var item = document.createElement("li");
      var button = document.createElement("button");
      button.type = "button";
      button.setAttribute("aria-label", Slides.nameOf(name));
      var thumb = document.createElement("img");
      thumb.src = thumbs[index];
      thumb.alt = "";
      thumb.loading = "lazy";
      button.appendChild(thumb);
      button.addEventListener("click", function () { Slides.stop(); Slides.show(index); });
      item.appendChild(button);
      strip.appendChild(item);
    });
    document.querySelector(".controls").hidden = false;
    document.getElementById("previous").addEventListener("click", function () {
      Slides.stop();
      Slides.show(Slides.current - 1);
    });
    document.getElementById("next").addEventListener("click", function () {
      Slides.stop();
      Slides.show(Slides.current + 1);
    });
    document.getElementById("play").addEventListener("click", Slides.toggle);
    document.addEventListener("keydown", function (event) {
      if (event.altKey || event.ctrlKey || event.metaKey) return;
      if (event.key === "ArrowLeft") { Slides.stop(); Slides.show(Slides.current - 1); }
      else if (event.key === "ArrowRight") { Slides.stop(); Slides.show(Slides.current + 1); }
      else if (event.key === " " && event.target === document.body) { event.preventDefault(); Slides.toggle(); }
    });
    Slides.show(0);
  },

  // The list holds addresses; the caption shows the name they encode.
  nameOf: function (file) {
    try { file = decodeURIComponent(file); } catch (e) { /* shown as it stands */ }
    var dot = file.lastIndexOf(".");
    return dot > 0 ? file.substring(0, dot) : file;
  },

  show: function (index) {
    var count = Slides.images.length;
    Slides.current = ((index % count) + count) % count;
    var name = Slides.images[Slides.current];
    window.VT0.Filename = name;
    document.getElementById("caption").textContent = Slides.nameOf(name);
    document.getElementById("position").textContent = (Slides.current + 1) + " / " + count;
    var buttons = document.querySelectorAll("#strip button");
    for (var i = 0; i < buttons.length; i++) {
      if (i === Slides.current) {
        buttons[i].setAttribute("aria-current", "true");
        buttons[i].scrollIntoView({ block: "nearest", inline: "nearest" });
      } else {
        buttons[i].removeAttribute("aria-current");
      }
    }
  },

  toggle: function () {
    if (Slides.timer) {
      Slides.stop();
      return;
    }
    Slides.timer = window.setInterval(function () { Slides.show(Slides.current + 1); },
                                      Slides.seconds * 1000);
    document.getElementById("play").textContent = "Pause";
  },

  stop: function () {
    if (!Slides.timer) return;
    window.clearInterval(Slides.timer);
    Slides.timer = null;
    document.getElementById("play").textContent = "Play";
  }
};
