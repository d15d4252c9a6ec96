// The arrow keys turn the pages: left and right to the neighbours, Escape back to the
// thumbnails.

document.addEventListener("keydown", function (event) {
  if (event.altKey || event.ctrlKey || event.metaKey || event.shiftKey) return;
  var target = event.target;
  if (target && /^(INPUT|TEXTAREA|SELECT)$/.test(target.tagName)) return;
  var relation = { ArrowLeft: "prev", ArrowRight: "next", Escape: "up" }[event.key];
  if (!relation) return;
  var link = document.querySelector('link[rel="' + relation + '"]');
  if (link) window.location.href = link.href;
});
