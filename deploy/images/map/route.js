// The route: the whole drive of the recording coloured by speed, its legend,
// start and end markers, the previous recording's route faded under it
// (showroute, showpreviousroute), and which second of it lies under the
// pointer.

// Two days of one fix a second: far more than any recording, and a bound that
// keeps a broken log from tying up the page.
var ROUTE_MAX_SECOND = 172800;
// A car covers far less than this between two log lines: a longer step comes
// from a seek or a gap without fixes and must not be drawn as a straight road.
var TRACK_BREAK_METRES = 500;
var ROUTE_WEIGHT = 4;
var ROUTE_FIT_PADDING = 18;
var PREVIOUS_ROUTE_COLOUR = "#9aa7a7";
var PREVIOUS_ROUTE_OPACITY = 0.4;
// How close (CSS pixels) a click must come to the route to pick a point of it.
var ROUTE_PICK_PIXELS = 10;

// The player's points as columns sorted by second, one fix a second, or null
// when none is usable:
//   sec, lat, lon, speed   the fixes (speed in km/h)
//   x, y                   their place on the Web Mercator square of side 1
//                          (the map's projection), for drawing
//   joined[i]              fix i and i + 1 are one road (a longer step is a
//                          gap in the log, and crossing the date line is too)
//   runs                   stretches of joined fixes of one speed band:
//                          { band, from, to, minX, minY, maxX, maxY }
// banded false: one band for all, for a route drawn in one colour.
function vialumoParseRoute(points, banded) {
  if (typeof points === "string") points = JSON.parse(points);
  if (!Array.isArray(points)) return null;
  // A day's route goes through these loops in one go, most of it before the
  // engine has compiled them: they keep to local variables and few calls.
  var total = points.length, n = 0, sorted = true, i, previous = -1;
  var sec = new Float64Array(total), lat = new Float64Array(total), lon = new Float64Array(total);
  var speed = new Float32Array(total);
  for (i = 0; i < total; i++) {
    var p = points[i];
    if (!Array.isArray(p) || p.length < 3) continue;
    var t = p[0], a = p[1], o = p[2], v = p[3];
    // The player sends numbers; text and anything else take the slow way.
    if (typeof t !== "number") t = vialumoNumber(t);
    if (typeof a !== "number") a = vialumoNumber(a);
    if (typeof o !== "number") o = vialumoNumber(o);
    if (typeof v !== "number") v = vialumoNumber(v);
    if (!(t >= 0 && t <= ROUTE_MAX_SECOND && a >= -90 && a <= 90 && o >= -180 && o <= 180)) continue;
    t = Math.floor(t);
    if (t <= previous) sorted = false;
    previous = t;
    sec[n] = t; lat[n] = a; lon[n] = o;
    speed[n] = v >= 0 && v < Infinity ? v : 0;   // an unknown speed draws as standing
    n++;
  }
  if (n === 0) return null;
  var order = null;
  if (!sorted) {
    order = new Uint32Array(n);
    for (i = 0; i < n; i++) order[i] = i;
    order.sort(function (x, y) { return sec[x] - sec[y] || x - y; });
  }
  var r = {
    count: 0, banded: banded !== false,
    sec: new Int32Array(n), lat: new Float64Array(n), lon: new Float64Array(n), speed: new Float32Array(n),
    x: new Float64Array(n), y: new Float64Array(n), joined: new Uint8Array(n), runs: [],
    south: 90, north: -90, west: 180, east: -180, maxSpeed: 0, last: 0
  };
  var rs = r.sec, rla = r.lat, rlo = r.lon, rsp = r.speed, rx = r.x, ry = r.y, rj = r.joined;
  var south = 90, north = -90, west = 180, east = -180, fastest = 0, c = 0;
  var k = Math.PI / 180, limit = Math.sin(MERCATOR_MAX_LATITUDE * k), metres = TRACK_BREAK_METRES / 6371000 / k;
  for (i = 0; i < n; i++) {
    var j = order ? order[i] : i;
    if (c > 0 && sec[j] === rs[c - 1]) continue;  // the first fix of a second wins
    var la = lat[j], lo = lon[j], sp = speed[j];
    rs[c] = sec[j]; rla[c] = la; rlo[c] = lo; rsp[c] = sp;
    var sin = Math.sin(la * k);
    if (sin > limit) sin = limit; else if (sin < -limit) sin = -limit;
    rx[c] = 0.5 + lo / 360;
    ry[c] = 0.5 - Math.log((1 + sin) / (1 - sin)) / (4 * Math.PI);
    if (la < south) south = la;
    if (la > north) north = la;
    if (lo < west) west = lo;
    if (lo > east) east = lo;
    if (sp > fastest) fastest = sp;
    if (c > 0) {
      // Degrees on a flat map around the two fixes: plenty at this distance.
      // A step across the date line is a break too.
      var dLat = la - rla[c - 1], dLon = (lo - rlo[c - 1]) * Math.cos((la + rla[c - 1]) * k / 2);
      rj[c - 1] = dLat * dLat + dLon * dLon <= metres * metres ? 1 : 0;
    }
    c++;
  }
  r.count = c;
  r.south = south; r.north = north; r.west = west; r.east = east; r.maxSpeed = fastest;
  r.last = rs[c - 1];
  vialumoFindRuns(r);
  return r;
}

// The runs of a route, by the bands of the unit shown.
function vialumoFindRuns(r) {
  var run = null, runs = r.runs = [], xs = r.x, ys = r.y, speeds = r.speed, joined = r.joined;
  for (var i = 0; i + 1 < r.count; i++) {
    if (!joined[i]) { run = null; continue; }
    // A second's speed colours the way to the next fix.
    var band = r.banded ? vialumoBand(speeds[i]) : 0;
    var x = xs[i + 1], y = ys[i + 1];
    if (run === null || run.band !== band) {
      run = { band: band, from: i, to: i, minX: xs[i], minY: ys[i], maxX: xs[i], maxY: ys[i] };
      runs.push(run);
    }
    run.to = i + 1;
    if (x < run.minX) run.minX = x;
    if (y < run.minY) run.minY = y;
    if (x > run.maxX) run.maxX = x;
    if (y > run.maxY) run.maxY = y;
  }
}

// Index of the last fix at or before second t, -1 before the first.
function vialumoFixAtOrBefore(r, t) {
  var lo = 0, hi = r.count - 1;
  if (!(t >= r.sec[0])) return -1;
  while (lo < hi) {
    var mid = (lo + hi + 1) >> 1;
    if (r.sec[mid] <= t) lo = mid; else hi = mid - 1;
  }
  return lo;
}

// A route on a canvas of its own, straight from the parsed columns.
function vialumoRouteLayer(route, colours, opacity, pane) {
  var layer = vialumoCanvasLayer(pane, function (g, view) {
    g.lineWidth = ROUTE_WEIGHT;
    g.lineCap = g.lineJoin = "round";
    g.globalAlpha = layer.opacity;
    var r = layer.route, runs = r.runs, xs = r.x, ys = r.y, colours = layer.colours;
    var world = view.world, ox = view.ox, oy = view.oy, pad = ROUTE_WEIGHT / world;
    var x0 = view.x0 - pad, y0 = view.y0 - pad, x1 = view.x1 + pad, y1 = view.y1 + pad;
    for (var band = 0; band < colours.length; band++) {
      g.beginPath();
      var any = false;
      for (var n = 0; n < runs.length; n++) {
        var run = runs[n];
        if (run.band !== band || run.maxX < x0 || run.minX > x1 || run.maxY < y0 || run.minY > y1)
          continue;
        var from = run.from, to = run.to;
        var px = xs[from] * world - ox, py = ys[from] * world - oy;
        g.moveTo(px, py);
        // Fixes within a pixel of the last one drawn add nothing to see.
        for (var i = from + 1; i <= to; i++) {
          var qx = xs[i] * world - ox, qy = ys[i] * world - oy, dx = qx - px, dy = qy - py;
          if (dx * dx + dy * dy < 1 && i < to) continue;
          g.lineTo(qx, qy);
          px = qx; py = qy;
        }
        any = true;
      }
      if (any) {
        g.strokeStyle = colours[band];
        g.stroke();
      }
    }
  });
  layer.route = route;
  layer.colours = colours;
  layer.opacity = opacity;
  return layer;
}

function vialumoRemoveRoute() {
  var s = vialumoMap;
  if (s.routeLayer) s.routeLayer.remove();
  s.routeEnds.forEach(function (marker) { marker.remove(); });
  s.routeLayer = null;
  s.routeEnds = [];
  s.routeDrawn = null;
}

function vialumoFitRoute(r) {
  var s = vialumoMap;
  var bounds = L.latLngBounds([r.south, r.west], [r.north, r.east]);
  if (r.south === r.north && r.west === r.east)
    s.map.setView(bounds.getCenter(), CAR_ZOOM, { animate: false });
  else
    s.map.fitBounds(bounds, { padding: [ROUTE_FIT_PADDING, ROUTE_FIT_PADDING], maxZoom: CAR_ZOOM, animate: false });
  s.hasView = true;
  s.driveInView = true;
  s.routeFitted = true;
}

function vialumoDrawRoute() {
  var s = vialumoMap, r = s.route;
  if (!s.map || !r || s.routeDrawn === r) return;
  vialumoRemoveRoute();
  // The line driven so far and the separate start marker are the route's now.
  if (s.track) { s.track.remove(); s.track = null; s.trackPoints = 0; }
  if (s.startMarker) { s.startMarker.remove(); s.startMarker = null; }
  s.map.invalidateSize({ pan: false });
  if (!s.routeFitted) vialumoFitRoute(r);
  s.routeLayer = vialumoRouteLayer(r, SPEED_BAND_COLOURS, 1, "routePane").addTo(s.map);
  // Start light, end dark, both smaller than the car.
  var ends = [[r.lat[0], r.lon[0], "#e0e0e0", "#121212"], [r.lat[r.count - 1], r.lon[r.count - 1], "#121212", "#e0e0e0"]];
  ends.forEach(function (e) {
    s.routeEnds.push(L.circleMarker([e[0], e[1]], {
      radius: 5, weight: 2, color: e[3], fillColor: e[2], fillOpacity: 1,
      interactive: false, pane: "markerPane"
    }).addTo(s.map));
  });
  // The car stays above the end markers.
  if (s.carShown) { s.carMarker.remove(); s.carShown = false; }
  s.routeDrawn = r;
  if (s.clock.valid)
    vialumoRender(performance.now());
  else if (s.car)
    vialumoPlaceCar(s.car);
}

function vialumoDrawPreviousRoute() {
  var s = vialumoMap, r = s.previousRoute;
  if (!s.map || !r) return;
  if (s.previousLayer) s.previousLayer.remove();
  s.previousLayer = vialumoRouteLayer(r, [PREVIOUS_ROUTE_COLOUR], PREVIOUS_ROUTE_OPACITY, "previousRoutePane")
    .addTo(s.map);
}

// The route coloured by the bands of the unit now shown.
function vialumoRebandRoute() {
  var s = vialumoMap;
  if (!s.route) return;
  vialumoFindRuns(s.route);
  if (s.routeLayer) s.routeLayer.redraw();
}

function vialumoBuildLegend() {
  var legend = document.getElementById("legend");
  if (!legend) return;
  while (legend.firstChild) legend.removeChild(legend.firstChild);
  var bar = document.createElement("div"), ticks = document.createElement("div");
  bar.className = "bar";
  ticks.className = "ticks";
  for (var b = 0; b < SPEED_BAND_COLOURS.length; b++) {
    var chip = document.createElement("span"), tick = document.createElement("span");
    chip.style.background = SPEED_BAND_COLOURS[b];
    tick.textContent = b === 0 ? "0" : String(SPEED_BAND_LIMITS[b - 1]);
    if (b === SPEED_BAND_COLOURS.length - 1) {
      var unit = document.createElement("span");
      unit.className = "unit";
      unit.textContent = vialumoUnitName();
      tick.appendChild(unit);
      tick.style.width = "auto";
    }
    bar.appendChild(chip);
    ticks.appendChild(tick);
  }
  legend.appendChild(bar);
  legend.appendChild(ticks);
}

// Draws the route of the recording. See the top of googlearth.html.
function showroute(points) {
  try {
    var r = vialumoParseRoute(points);
    if (r === null) return;
    var s = vialumoMap;
    s.route = r;
    vialumoHideMessage();
    vialumoBuildLegend();
    document.body.classList.add("has-route");
    vialumoDrawProfile();
    vialumoDrawRoute();
    vialumoRender(performance.now());
  } catch (e) {
  }
}

// Draws the previous recording's route, faded. See the top of googlearth.html.
function showpreviousroute(points) {
  try {
    var r = vialumoParseRoute(points, false);
    if (r === null) return;
    vialumoMap.previousRoute = r;
    vialumoDrawPreviousRoute();
  } catch (e) {
  }
}

// The second of the route nearest to a point of the map's container, within
// ROUTE_PICK_PIXELS of the drawn line; -1 when the point is off the route.
function vialumoRouteSecondAt(point) {
  var s = vialumoMap, r = s.routeDrawn, map = s.map;
  if (!map || !r) return -1;
  var p = L.point(point);
  var c = map.wrapLatLng(map.containerPointToLatLng(p));
  var up = map.containerPointToLatLng(p.subtract([0, ROUTE_PICK_PIXELS]));
  var side = map.containerPointToLatLng(p.add([ROUTE_PICK_PIXELS, 0]));
  // A box in degrees around the point first: only the few seconds near it are
  // measured on the screen.
  var dLat = Math.abs(up.lat - c.lat) * 1.5, dLon = Math.abs(side.lng - c.lng) * 1.5;
  var best = -1, bestDistance = ROUTE_PICK_PIXELS;
  for (var i = 0; i < r.count; i++) {
    var j = i + 1 < r.count && r.joined[i] ? i + 1 : i;
    var la = r.lat[i], lb = r.lat[j], oa = r.lon[i], ob = r.lon[j];
    if (c.lat < Math.min(la, lb) - dLat || c.lat > Math.max(la, lb) + dLat
        || c.lng < Math.min(oa, ob) - dLon || c.lng > Math.max(oa, ob) + dLon)
      continue;
    var a = map.latLngToContainerPoint([la, oa]), b = map.latLngToContainerPoint([lb, ob]);
    var vx = b.x - a.x, vy = b.y - a.y, len = vx * vx + vy * vy;
    var u = len > 0 ? Math.max(0, Math.min(1, ((p.x - a.x) * vx + (p.y - a.y) * vy) / len)) : 0;
    var dx = a.x + u * vx - p.x, dy = a.y + u * vy - p.y, d = Math.sqrt(dx * dx + dy * dy);
    if (d <= bestDistance) {
      bestDistance = d;
      best = Math.round(r.sec[i] + u * (r.sec[j] - r.sec[i]));
    }
  }
  return best;
}

// The map's own mouse: a click on the route seeks there, hovering it shows the
// second on the profile.
function vialumoSetUpRoutePicking(map) {
  map.on("click", function (e) {
    try {
      var second = vialumoRouteSecondAt(e.containerPoint);
      if (second >= 0) vialumoSeek(second);
    } catch (err) {
    }
  });
  map.on("mousemove", function (e) {
    try {
      if (!vialumoMap.routeDrawn) return;
      var second = vialumoRouteSecondAt(e.containerPoint);
      vialumoShowHover(second);
      map.getContainer().classList.toggle("over-route", second >= 0 && vialumoMap.player !== null);
    } catch (err) {
    }
  });
  map.on("mouseout", function () { vialumoShowHover(-1); });
}
