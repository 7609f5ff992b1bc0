// The speed profile along the bottom edge: one bar a pixel in the band's
// colour, the playhead at the clock's time, time and speed under the pointer,
// and a click or a drag on it seeks there.

// While dragging along the profile, seek at most this often.
var DRAG_SEEK_INTERVAL_MS = 120;
var PROFILE_LABEL_HEIGHT = 13;

// Seconds the profile spans: from the start of the recording to the end of
// its last fix, each second a cell of its own.
function vialumoProfileSpan(r) {
  return r.last + 1;
}

function vialumoFormatTime(second) {
  var t = Math.max(0, Math.floor(second));
  var h = Math.floor(t / 3600), m = Math.floor(t / 60) % 60, sec = t % 60;
  var mm = h > 0 && m < 10 ? "0" + m : String(m);
  return (h > 0 ? h + ":" : "") + mm + ":" + (sec < 10 ? "0" : "") + sec;
}

// Speed scale of the profile, in the unit shown: the route's top speed
// rounded up to a round figure.
function vialumoProfileTop(r) {
  return Math.max(40, Math.ceil(vialumoSpeed(r.maxSpeed) / 20) * 20);
}

function vialumoDrawProfile() {
  var s = vialumoMap, r = s.route;
  var box = document.getElementById("profile"), canvas = document.getElementById("profile-chart");
  if (!r || !box || !canvas || !canvas.getContext) return;
  var w = box.clientWidth, h = box.clientHeight;
  if (w <= 0 || h <= 0) return;
  var ratio = window.devicePixelRatio || 1;
  var span = vialumoProfileSpan(r), top = vialumoProfileTop(r);
  canvas.width = Math.round(w * ratio);
  canvas.height = Math.round(h * ratio);
  box.setAttribute("data-seconds", String(span));
  box.setAttribute("data-fixes", String(r.count));
  s.profileSize = { width: w, height: h, span: span };
  var g = canvas.getContext("2d");
  g.setTransform(ratio, 0, 0, ratio, 0, 0);
  g.clearRect(0, 0, w, h);
  var chartTop = 4, chartBottom = h - PROFILE_LABEL_HEIGHT, chartHeight = chartBottom - chartTop;
  // Guide lines a band's width apart, as in the legend.
  var guide = PROFILE_GUIDE_STEP[s.unit];
  g.strokeStyle = "#262626";
  g.lineWidth = 1;
  g.beginPath();
  for (var v = guide; v < top; v += guide) {
    var gy = Math.round(chartBottom - v / top * chartHeight) + 0.5;
    g.moveTo(0, gy); g.lineTo(w, gy);
  }
  g.stroke();
  // One bar a device pixel: the fastest second under it, in its band's colour.
  var columns = canvas.width, first = 0, count = r.count, secs = r.sec, speeds = r.speed;
  for (var x = 0; x < columns; x++) {
    var from = x / columns * span, to = (x + 1) / columns * span;
    while (first < count && secs[first] + 1 <= from) first++;
    var fastest = -1;
    for (var i = first; i < count && secs[i] < to; i++)
      if (speeds[i] > fastest) fastest = speeds[i];
    if (fastest < 0) continue;
    var bh = Math.max(1, Math.min(vialumoSpeed(fastest), top) / top * chartHeight);
    g.fillStyle = SPEED_BAND_COLOURS[vialumoBand(fastest)];
    g.fillRect(x / ratio, chartBottom - bh, 1 / ratio + 0.02, bh);
  }
  g.fillStyle = "#2a2a2a";
  g.fillRect(0, chartBottom, w, 1);
  document.getElementById("profile-start").textContent = vialumoFormatTime(0);
  document.getElementById("profile-end").textContent = vialumoFormatTime(r.last);
  document.getElementById("profile-top").textContent = top + " " + vialumoUnitName();
  // A readout shown in the unit before is written anew on the next move.
  var hovered = s.hoverSecond;
  if (hovered >= 0) {
    s.hoverSecond = -1;
    vialumoShowHover(hovered);
  }
  vialumoPlaceMarks();
  vialumoRender(performance.now());
}

// Shows the clip's marks on the profile.
function vialumoPlaceMarks() {
  var s = vialumoMap, m = s.marks, p = s.profileSize;
  var range = document.getElementById("markrange");
  var start = document.getElementById("markin"), end = document.getElementById("markout");
  if (!range || !start || !end) return;
  if (!p || !s.route || (m.start < 0 && m.end < 0)) {
    range.style.display = start.style.display = end.style.display = "none";
    return;
  }
  var from = vialumoProfileX(m.start < 0 ? 0 : m.start);
  var to = m.end < 0 ? p.width : vialumoProfileX(m.end);
  range.style.transform = "translateX(" + from.toFixed(1) + "px)";
  range.style.width = Math.max(1, to - from).toFixed(1) + "px";
  range.style.display = "block";
  start.style.transform = "translateX(" + from.toFixed(1) + "px)";
  start.style.display = m.start < 0 ? "none" : "block";
  end.style.transform = "translateX(" + to.toFixed(1) + "px)";
  end.style.display = m.end < 0 ? "none" : "block";
}

// The clip's in and out marks. See the top of googlearth.html.
function setmarks(inMs, outMs) {
  try {
    var a = vialumoNumber(inMs), b = vialumoNumber(outMs), limit = ROUTE_MAX_SECOND * 1000;
    vialumoMap.marks = {
      start: a >= 0 && a <= limit ? a / 1000 : -1,
      end: b >= 0 && b <= limit ? b / 1000 : -1
    };
    vialumoPlaceMarks();
  } catch (e) {
  }
}

function vialumoProfileX(second) {
  var p = vialumoMap.profileSize;
  return p ? Math.max(0, Math.min(1, second / p.span)) * p.width : 0;
}

function vialumoProfileSecond(clientX) {
  var p = vialumoMap.profileSize, box = document.getElementById("profile");
  if (!p || !box) return -1;
  var x = clientX - box.getBoundingClientRect().left;
  return Math.min(p.span - 1, Math.floor(Math.max(0, x / p.width) * p.span));
}

function vialumoPlacePlayhead(t) {
  var head = document.getElementById("playhead");
  if (!head) return;
  head.style.transform = "translateX(" + vialumoProfileX(t).toFixed(1) + "px)";
  head.style.display = "block";
}

// Shows the time and speed of a second of the route on the profile (-1: none).
function vialumoShowHover(second) {
  var s = vialumoMap, r = s.route;
  var line = document.getElementById("hoverline"), readout = document.getElementById("readout");
  if (!line || !readout || !r || !s.profileSize || second === s.hoverSecond) return;
  s.hoverSecond = second;
  if (second < 0) {
    line.style.display = readout.style.display = "none";
    if (s.hoverMarker) s.hoverMarker.remove();
    return;
  }
  // Where that second is on the map.
  var ll = s.map && s.routeDrawn ? vialumoPlaceAt(r, second) : null;
  if (ll !== null) {
    if (!s.hoverMarker)
      s.hoverMarker = L.circleMarker(ll, { radius: 6, weight: 2, color: "#ffffff", fill: false, interactive: false,
                                           pane: "markerPane" });
    s.hoverMarker.setLatLng(ll).addTo(s.map);
  } else if (s.hoverMarker) {
    s.hoverMarker.remove();
  }
  var i = vialumoFixAtOrBefore(r, second);
  var speed = i >= 0 && r.sec[i] === second ? vialumoSpeedText(r.speed[i]) : "no fix";
  readout.innerHTML = vialumoFormatTime(second) + " &middot; <b>" + speed + "</b>";
  line.style.display = readout.style.display = "block";
  var x = vialumoProfileX(second + 0.5), width = readout.offsetWidth, total = s.profileSize.width;
  line.style.transform = "translateX(" + x.toFixed(1) + "px)";
  readout.style.transform = "translateX(" + Math.max(2, Math.min(total - width - 2, x - width / 2)).toFixed(1) + "px)";
}

function vialumoSetUpProfile() {
  var s = vialumoMap, box = document.getElementById("profile");
  if (!box) return;
  var dragging = false, sent = -1, sentAt = 0, pending = null;
  function seekTo(second, force) {
    if (second < 0 || second === sent) return;
    var now = Date.now();
    clearTimeout(pending);
    pending = null;
    if (!force && now - sentAt < DRAG_SEEK_INTERVAL_MS) {
      pending = setTimeout(function () { seekTo(second, true); }, DRAG_SEEK_INTERVAL_MS - (now - sentAt));
      return;
    }
    sent = second;
    sentAt = now;
    vialumoSeek(second);
  }
  box.addEventListener("pointerdown", function (e) {
    if (e.button !== 0 || !s.route) return;
    dragging = true;
    sent = -1;
    try { box.setPointerCapture(e.pointerId); } catch (err) { }
    seekTo(vialumoProfileSecond(e.clientX), true);
    e.preventDefault();
  });
  box.addEventListener("pointermove", function (e) {
    if (!s.route) return;
    var second = vialumoProfileSecond(e.clientX);
    vialumoShowHover(second);
    if (dragging) seekTo(second, false);
  });
  function endDrag(e) {
    if (!dragging) return;
    dragging = false;
    seekTo(vialumoProfileSecond(e.clientX), true);
  }
  box.addEventListener("pointerup", endDrag);
  box.addEventListener("pointercancel", function () { dragging = false; });
  box.addEventListener("pointerleave", function () { if (!dragging) vialumoShowHover(-1); });
  var resizing = 0;
  window.addEventListener("resize", function () {
    if (!resizing) resizing = requestAnimationFrame(function () { resizing = 0; vialumoDrawProfile(); });
  });
}
