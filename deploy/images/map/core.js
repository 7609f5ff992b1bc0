// The map pages' shared state and helpers: loaded first by the online map
// (googlearth.html) and the offline map (no_connection.html). The other
// files add one concern each: units.js, basemap.js, route.js, profile.js,
// marker.js, channel.js. What the player calls is listed at the top of
// googlearth.html.
//
// The player calls setstart/setposition up to four times a second with the
// same values most of the time, and SetLocation on every play/pause flip:
// every call returns early unless something really changed, and markers are
// moved, never recreated. No call may raise: a page that cannot draw must not
// break the player's calls.

var CAR_ZOOM = 16;
var LOCATION_ZOOM = 13;
// After the user drags the map, leave the view alone for a while.
var FOLLOW_PAUSE_MS = 10000;
var PAN_OPTIONS = { duration: 0.25, easeLinearity: 1, noMoveStart: true };
var TEAL = "#00a0a0";
var TEAL_DARK = "rgb(0,127,127)";
// The map's projection squashes the poles away beyond this latitude.
var MERCATOR_MAX_LATITUDE = 85.0511287798;
// A canvas layer reaches this share of the view beyond each edge, so a small
// pan shows no cut line before the redraw.
var CANVAS_MARGIN = 0.1;

var vialumoMap = {
  map: null,
  online: true,        // the online map; false on the no-connection page
  hasView: false,      // any view set
  driveInView: false,  // the view was set on the drive
  start: null,         // [lat, lon] last given to setstart
  car: null,           // [lat, lon] last given to setposition
  startMarker: null,
  carMarker: null,
  carShown: false,
  track: null,
  trackPoints: 0,
  followPausedUntil: 0,
  panUntil: 0,
  probeSettled: false,
  probeTimer: null,
  route: null,          // see vialumoParseRoute
  routeDrawn: null,     // the route the map layers show
  routeLayer: null,
  routeEnds: [],        // start and end markers
  routeFitted: false,
  previousRoute: null,
  previousLayer: null,
  clock: { valid: false, base: 0, at: 0, playing: false }, // base in seconds, at in performance.now() ms
  frame: 0,
  player: null,         // the player's WebChannel object, once connected
  channelAsked: false,
  marks: { start: -1, end: -1 },   // the clip's marks in seconds, -1: not set
  seekSecond: -1,
  seekAt: -Infinity,
  hoverSecond: -1,
  hoverMarker: null,    // on the map, where the second under the pointer is
  profileSize: null,
  unit: "kmh",          // see units.js
  tileLayer: null,      // see basemap.js
  tileTemplate: null,
  baseLayer: null,
  scaleControl: null
};

// A number, or the text of one; anything else (null, "", true...) is not a coordinate.
function vialumoNumber(v) {
  if (typeof v === "number") return v;
  if (typeof v === "string" && /\S/.test(v)) return Number(v);
  return NaN;
}

// [lat, lon] within the globe, or null.
function vialumoLatLon(lat, lon) {
  var a = vialumoNumber(lat), o = vialumoNumber(lon);
  if (!isFinite(a) || !isFinite(o) || Math.abs(a) > 90 || Math.abs(o) > 180)
    return null;
  return [a, o];
}

function vialumoSame(p, q) {
  return p !== null && q !== null && p[0] === q[0] && p[1] === q[1];
}

function vialumoHideMessage() {
  var m = document.getElementById("message");
  if (m && m.getAttribute("data-kind") === "waiting")
    m.style.display = "none";
}

function vialumoSetView(ll, zoom) {
  vialumoMap.map.setView(ll, zoom, { animate: false });
  vialumoMap.hasView = true;
}

// The first point of the drive sets the view at street level, whatever view
// SetLocation may have set before.
function vialumoShowDrive(ll) {
  var s = vialumoMap;
  if (!s.driveInView) {
    vialumoSetView(ll, CAR_ZOOM);
    s.driveInView = true;
  } else if (Date.now() >= s.followPausedUntil) {
    s.map.panTo(ll, PAN_OPTIONS);
  }
}

// With the whole route in view the map stays put while the car is well
// inside it, and follows only a car about to leave it.
function vialumoKeepInView(ll) {
  var s = vialumoMap, now = Date.now();
  if (now < s.followPausedUntil || now < s.panUntil) return;
  if (s.map.getBounds().pad(-0.1).contains(ll)) return;
  s.panUntil = now + PAN_OPTIONS.duration * 1000 + 50;
  s.map.panTo(ll, PAN_OPTIONS);
}

// Place on the Web Mercator square of side 1 (the map's projection): x east
// from the date line, y south from the top.
function vialumoMercatorY(lat) {
  var k = Math.PI / 180, limit = Math.sin(MERCATOR_MAX_LATITUDE * k);
  var sin = Math.sin(lat * k);
  if (sin > limit) sin = limit; else if (sin < -limit) sin = -limit;
  return 0.5 - Math.log((1 + sin) / (1 - sin)) / (4 * Math.PI);
}

// A layer drawn on a canvas of its own by paint(g, view): Leaflet's own
// vector layers would make objects of every point and project them all again
// on every zoom, far too slow for a day's drive or a coastline. The canvas
// covers the view and a margin, is redrawn when the map settles and scaled
// while it zooms, like Leaflet's own renderers. paint draws in canvas pixels;
// a point (x, y) of the Mercator square lies at (x * view.world - view.ox,
// y * view.world - view.oy), and the canvas shows the square's part from
// (view.x0, view.y0) to (view.x1, view.y1); of the canvas (view.width by
// view.height pixels) the map's own box begins at (view.left, view.top).
function vialumoCanvasLayer(pane, paint) {
  var layer = new L.Layer();
  L.setOptions(layer, { pane: pane });
  layer.paint = paint;
  layer.onAdd = function () {
    layer.canvas = L.DomUtil.create("canvas", "leaflet-zoom-animated", layer.getPane());
    layer.canvas.style.pointerEvents = "none";
    layer.redraw();
  };
  layer.onRemove = function () {
    L.DomUtil.remove(layer.canvas);
    layer.canvas = null;
  };
  layer.getEvents = function () {
    return { moveend: layer.redraw, viewreset: layer.redraw, resize: layer.redraw,
             zoom: layer.follow, zoomanim: layer.follow };
  };
  // Keeps the last drawing under the map while it zooms.
  layer.follow = function (e) {
    var map = layer._map;
    if (!map || !layer.canvas || layer.center === undefined) return;
    var center = e && e.center ? e.center : map.getCenter(), zoom = e && e.zoom !== undefined ? e.zoom : map.getZoom();
    var scale = map.getZoomScale(zoom, layer.zoom);
    var half = map.getSize().multiplyBy(0.5 + CANVAS_MARGIN);
    var shift = map.project(center, zoom).subtract(map.project(layer.center, zoom));
    L.DomUtil.setTransform(layer.canvas, half.multiplyBy(-scale).add(layer.topLeft).add(half).subtract(shift), scale);
  };
  layer.redraw = function () {
    var map = layer._map, canvas = layer.canvas;
    if (!map || !canvas) return;
    var size = map.getSize(), ratio = window.devicePixelRatio || 1;
    var topLeft = map.containerPointToLayerPoint(size.multiplyBy(-CANVAS_MARGIN)).round();
    var full = size.multiplyBy(1 + 2 * CANVAS_MARGIN).round();
    layer.topLeft = topLeft;
    layer.center = map.getCenter();
    layer.zoom = map.getZoom();
    L.DomUtil.setPosition(canvas, topLeft);
    canvas.width = Math.round(full.x * ratio);
    canvas.height = Math.round(full.y * ratio);
    canvas.style.width = full.x + "px";
    canvas.style.height = full.y + "px";
    var g = canvas.getContext("2d");
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    // Canvas pixel = square position * world size - where the canvas starts.
    var world = map.options.crs.scale(layer.zoom), origin = map.getPixelOrigin().add(topLeft);
    var view = { world: world, ox: origin.x, oy: origin.y, width: full.x, height: full.y,
                 left: -map.layerPointToContainerPoint(topLeft).x, top: -map.layerPointToContainerPoint(topLeft).y,
                 x0: origin.x / world, y0: origin.y / world,
                 x1: (origin.x + full.x) / world, y1: (origin.y + full.y) / world };
    layer.paint(g, view);
  };
  return layer;
}
