// Events, the G-sensor trace and the trip, on both map pages: drawn over
// what the other map scripts draw, with the route and profile they keep
// (vialumoMap).
var EVENT_COLOURS = { recorder: "#e0e0e0", braking: "#ef5a3c", acceleration: "#8cc63f", bump: "#c77dff",
                      speeding: "#f2c12e" };
var TRIP_COLOUR = "#b48ead";
var vialumoEvents = { list: [], layers: [], accel: [], trip: null };

function vialumoArray(v) {
  if (typeof v === "string") { try { v = JSON.parse(v); } catch (e) { return []; } }
  return Array.isArray(v) ? v : [];
}

function vialumoDrawEvents() {
  var s = vialumoMap, r = s.route, box = document.getElementById("profile");
  vialumoEvents.layers.forEach(function (l) { l.remove(); });
  vialumoEvents.layers = [];
  if (!r || !box) return;
  var span = vialumoProfileSpan(r);
  vialumoEvents.list.forEach(function (e) {
    var t = e[0] / 1000, colour = EVENT_COLOURS[e[1]] || "#ffffff";
    var mark = document.createElement("div");
    mark.className = "vialumo-event";
    mark.setAttribute("data-kind", e[1]);
    mark.title = e[3];
    mark.style.left = (Math.max(0, Math.min(1, t / span)) * 100).toFixed(3) + "%";
    mark.style.background = colour;
    box.appendChild(mark);
    vialumoEvents.layers.push(mark);
    var ll = s.map ? vialumoPlaceAt(r, t) : null;
    if (ll) {
      var dot = L.circleMarker(ll, { radius: 6, weight: 2, color: "#121212", fillColor: colour, fillOpacity: 1,
                                     pane: "markerPane" }).bindTooltip(e[3]).addTo(s.map);
      dot.on("click", function () { vialumoSeek(t); });
      vialumoEvents.layers.push(dot);
    }
  });
}

function showevents(events) {
  try {
    vialumoEvents.list = vialumoArray(events).filter(function (e) {
      return Array.isArray(e) && e.length >= 4 && isFinite(e[0]) && e[0] >= 0 && typeof e[1] === "string"
        && typeof e[3] === "string";
    });
    vialumoDrawEvents();
  } catch (e) {
  }
}

function vialumoDrawAccel() {
  var points = vialumoEvents.accel;
  if (!document.body) return;
  if (!document.getElementById("accel") && points.length > 0) {
    var band = document.createElement("div");
    band.id = "accel";
    band.innerHTML = "<canvas id=\"accel-chart\"></canvas><span class=\"label\">G-sensor</span>";
    document.body.appendChild(band);
  }
  var box = document.getElementById("accel"), canvas = document.getElementById("accel-chart"), r = vialumoMap.route;
  document.body.classList.toggle("has-accel", points.length > 0);
  if (!box || !canvas || !canvas.getContext || !r || points.length === 0) return;
  var w = box.clientWidth, h = box.clientHeight, ratio = window.devicePixelRatio || 1;
  if (w <= 0 || h <= 0) return;
  canvas.width = Math.round(w * ratio);
  canvas.height = Math.round(h * ratio);
  var g = canvas.getContext("2d"), span = vialumoProfileSpan(r), mid = h / 2, scale = (h / 2 - 2) / 1.5;
  g.setTransform(ratio, 0, 0, ratio, 0, 0);
  g.clearRect(0, 0, w, h);
  g.fillStyle = "#2a2a2a";
  g.fillRect(0, Math.round(mid), w, 1);
  [[1, "#00b0a8"], [3, "#c77dff"]].forEach(function (axis) {
    g.strokeStyle = axis[1];
    g.lineWidth = 1;
    g.beginPath();
    points.forEach(function (p, i) {
      var x = p[0] / 1000 / span * w, y = mid - Math.max(-1.5, Math.min(1.5, p[axis[0]])) * scale;
      if (i === 0) g.moveTo(x, y); else g.lineTo(x, y);
    });
    g.stroke();
  });
}

function showaccel(points) {
  try {
    vialumoEvents.accel = vialumoArray(points).filter(function (p) {
      return Array.isArray(p) && p.length >= 4 && isFinite(p[0]) && isFinite(p[1]) && isFinite(p[3]);
    });
    vialumoDrawAccel();
    vialumoDrawProfile();
    if (vialumoMap.map) vialumoMap.map.invalidateSize();
  } catch (e) {
  }
}

function showtrip(parts) {
  try {
    var s = vialumoMap;
    if (vialumoEvents.trip) vialumoEvents.trip.remove();
    vialumoEvents.trip = null;
    if (!s.map) return;
    var group = L.layerGroup();
    vialumoArray(parts).forEach(function (part) {
      if (!Array.isArray(part) || part.length < 2 || !isFinite(part[0])) return;
      var recording = part[0], points = vialumoArray(part[1]).filter(function (p) {
        return Array.isArray(p) && p.length >= 3 && vialumoLatLon(p[1], p[2]) !== null && isFinite(p[0]);
      });
      if (points.length === 0) return;
      var line = L.polyline(points.map(function (p) { return [p[1], p[2]]; }), {
        color: TRIP_COLOUR, weight: 5, opacity: 0.55, pane: "previousRoutePane"
      });
      line.on("click", function (e) {
        var best = 0, bestDistance = Infinity;
        points.forEach(function (p, i) {
          var d = e.latlng.distanceTo([p[1], p[2]]);
          if (d < bestDistance) { bestDistance = d; best = i; }
        });
        if (s.player && typeof s.player.seekToRecordingSecond === "function")
          s.player.seekToRecordingSecond(recording, Math.max(0, Math.round(points[best][0])));
        if (e.originalEvent) L.DomEvent.stopPropagation(e);
      });
      line.bindTooltip("Part " + (recording + 1) + " of the trip", { sticky: true });
      group.addLayer(line);
    });
    group.addTo(s.map);
    vialumoEvents.trip = group;
  } catch (e) {
  }
}

// A new route takes the old recording's events and trace away; a resize
// draws the trace anew.
(function () {
  var showRouteBefore = showroute;
  showroute = function (points) {
    vialumoEvents.list = [];
    vialumoEvents.accel = [];
    showRouteBefore(points);
    vialumoDrawEvents();
    vialumoDrawAccel();
  };
  window.addEventListener("resize", function () { requestAnimationFrame(vialumoDrawAccel); });
})();
