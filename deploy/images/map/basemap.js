// What lies under the route. The online map shows the tile server's tiles.
// The offline map (the no-connection page) shows the land, the country
// borders and the lakes shipped with the program (world.js, Natural Earth)
// with a graticule, a scale bar and a note that there are no tiles; it asks
// nothing of the network. Either page draws the tiles the player names
// (settiles) over its base: a tile that does not load leaves the base
// visible.

var BASE_SEA = "#0e171d";
var BASE_LAND = "#1e2724";
var BASE_COAST = "#3d4f4c";
var BASE_BORDER = "#5a6a65";
var BASE_GRATICULE = "rgba(150, 185, 185, 0.12)";
var BASE_LABEL = "rgba(170, 195, 195, 0.6)";
var BASE_MAX_ZOOM = 19;
// The offline map's view before there is a drive: the whole world.
var OFFLINE_START = [20, 10];
var OFFLINE_START_ZOOM = 2;
// Graticule lines at least this far apart on the screen, at round steps.
var GRATICULE_PIXELS = 110;
var GRATICULE_STEPS = [90, 45, 30, 15, 10, 5, 2, 1, 0.5, 0.25, 0.1, 0.05, 0.02, 0.01, 0.005, 0.002, 0.001];
// Template schemes that reach the network: the offline map never asks them.
var NETWORK_SCHEMES = ["http", "https", "ftp", "ws", "wss"];
var OFFLINE_NOTE = "Offline \u2014 no map tiles";
var OFFLINE_TILES_NOTE = "Offline \u2014 map tiles from this computer";

// ---------------------------------------------------------------------------
// The shipped base map, decoded once

// Polygons and lines on the Mercator square: { rings: [Float64Array of x, y
// pairs], minX, minY, maxX, maxY }, lines with one ring each.
function vialumoShape(rings) {
  var shape = { rings: rings, minX: Infinity, minY: Infinity, maxX: -Infinity, maxY: -Infinity };
  for (var r = 0; r < rings.length; r++) {
    var xy = rings[r];
    for (var i = 0; i < xy.length; i += 2) {
      if (xy[i] < shape.minX) shape.minX = xy[i];
      if (xy[i] > shape.maxX) shape.maxX = xy[i];
      if (xy[i + 1] < shape.minY) shape.minY = xy[i + 1];
      if (xy[i + 1] > shape.maxY) shape.maxY = xy[i + 1];
    }
  }
  return shape;
}

// The arcs of a TopoJSON topology on the Mercator square; quantized arcs hold
// the first position and then steps from the one before.
function vialumoTopologyArcs(topology) {
  var t = topology.transform, sx = 1, sy = 1, tx = 0, ty = 0;
  if (t && t.scale && t.translate) { sx = t.scale[0]; sy = t.scale[1]; tx = t.translate[0]; ty = t.translate[1]; }
  var arcs = topology.arcs, out = new Array(arcs.length);
  for (var a = 0; a < arcs.length; a++) {
    var arc = arcs[a], xy = new Float64Array(arc.length * 2), qx = 0, qy = 0;
    for (var i = 0; i < arc.length; i++) {
      if (t) { qx += arc[i][0]; qy += arc[i][1]; } else { qx = arc[i][0]; qy = arc[i][1]; }
      xy[2 * i] = 0.5 + (qx * sx + tx) / 360;
      xy[2 * i + 1] = vialumoMercatorY(qy * sy + ty);
    }
    out[a] = xy;
  }
  return out;
}

// A ring made of arcs in turn (~i: arc i backwards); each arc after the first
// starts where the one before ended.
function vialumoTopologyRing(arcs, indexes) {
  var total = 0, k;
  for (k = 0; k < indexes.length; k++) total += arcs[indexes[k] < 0 ? ~indexes[k] : indexes[k]].length / 2;
  var xy = new Float64Array(total * 2), n = 0;
  for (k = 0; k < indexes.length; k++) {
    var index = indexes[k], arc = arcs[index < 0 ? ~index : index], count = arc.length / 2;
    for (var i = k > 0 ? 1 : 0; i < count; i++) {
      var j = index < 0 ? count - 1 - i : i;
      xy[n++] = arc[2 * j];
      xy[n++] = arc[2 * j + 1];
    }
  }
  return n === xy.length ? xy : xy.subarray(0, n);
}

// The polygons of a geometry object (Polygon or MultiPolygon, alone or in a
// collection), each with its rings.
function vialumoTopologyPolygons(arcs, object) {
  var polygons = [];
  function add(geometry) {
    if (!geometry) return;
    if (geometry.type === "GeometryCollection") { (geometry.geometries || []).forEach(add); return; }
    var parts = geometry.type === "Polygon" ? [geometry.arcs] : geometry.type === "MultiPolygon" ? geometry.arcs : [];
    parts.forEach(function (polygon) {
      polygons.push(vialumoShape(polygon.map(function (ring) { return vialumoTopologyRing(arcs, ring); })));
    });
  }
  add(object);
  return polygons;
}

// The arcs two different countries share: the borders between them (an arc
// of one country alone is a coast).
function vialumoTopologyBorders(arcs, countries) {
  var owner = new Int32Array(arcs.length).fill(-1), shared = new Uint8Array(arcs.length);
  (countries.geometries || []).forEach(function (geometry, g) {
    var parts = geometry.type === "Polygon" ? [geometry.arcs] : geometry.type === "MultiPolygon" ? geometry.arcs : [];
    parts.forEach(function (polygon) {
      polygon.forEach(function (ring) {
        ring.forEach(function (index) {
          var a = index < 0 ? ~index : index;
          if (owner[a] === -1) owner[a] = g;
          else if (owner[a] !== g) shared[a] = 1;
        });
      });
    });
  });
  var lines = [];
  for (var a = 0; a < arcs.length; a++)
    if (shared[a]) lines.push(vialumoShape([arcs[a]]));
  return lines;
}

// The polygons of a GeoJSON feature collection, positions in degrees.
function vialumoGeoJsonPolygons(collection) {
  var polygons = [];
  function ring(positions) {
    var xy = new Float64Array(positions.length * 2);
    for (var i = 0; i < positions.length; i++) {
      xy[2 * i] = 0.5 + positions[i][0] / 360;
      xy[2 * i + 1] = vialumoMercatorY(positions[i][1]);
    }
    return xy;
  }
  ((collection && collection.features) || []).forEach(function (feature) {
    var g = feature && feature.geometry;
    if (!g) return;
    var parts = g.type === "Polygon" ? [g.coordinates] : g.type === "MultiPolygon" ? g.coordinates : [];
    parts.forEach(function (polygon) { polygons.push(vialumoShape(polygon.map(ring))); });
  });
  return polygons;
}

// The shipped base map, or null where world.js is missing.
function vialumoWorldShapes() {
  if (typeof vialumoWorld === "undefined" || !vialumoWorld || !vialumoWorld.objects) return null;
  var arcs = vialumoTopologyArcs(vialumoWorld), objects = vialumoWorld.objects;
  return {
    land: vialumoTopologyPolygons(arcs, objects.land),
    borders: objects.countries ? vialumoTopologyBorders(arcs, objects.countries) : [],
    lakes: typeof vialumoLakes !== "undefined" ? vialumoGeoJsonPolygons(vialumoLakes) : []
  };
}

// ---------------------------------------------------------------------------
// Drawing the base

// Adds the shapes' rings to the path, once for each copy of the world in view
// (shift: whole worlds east), leaving out points within half a pixel.
function vialumoTraceShapes(g, view, shapes, close) {
  var world = view.world, pad = 2 / world;
  for (var shift = Math.floor(view.x0); shift <= Math.floor(view.x1); shift++) {
    var ox = view.ox - shift * world, oy = view.oy;
    for (var n = 0; n < shapes.length; n++) {
      var shape = shapes[n];
      if (shape.maxX + shift < view.x0 - pad || shape.minX + shift > view.x1 + pad
          || shape.maxY < view.y0 - pad || shape.minY > view.y1 + pad)
        continue;
      for (var r = 0; r < shape.rings.length; r++) {
        var xy = shape.rings[r], last = xy.length - 2;
        if (last < 2) continue;
        var px = xy[0] * world - ox, py = xy[1] * world - oy;
        g.moveTo(px, py);
        for (var i = 2; i <= last; i += 2) {
          var qx = xy[i] * world - ox, qy = xy[i + 1] * world - oy, dx = qx - px, dy = qy - py;
          if (dx * dx + dy * dy < 0.25 && i < last) continue;
          g.lineTo(qx, qy);
          px = qx; py = qy;
        }
        if (close) g.closePath();
      }
    }
  }
}

function vialumoLatitudeAt(y) {
  return Math.atan(Math.sinh(Math.PI * (1 - 2 * y))) * 180 / Math.PI;
}

function vialumoDegreesText(value, step, positive, negative) {
  var decimals = step >= 1 ? 0 : step >= 0.1 ? 1 : step >= 0.01 ? 2 : 3;
  var text = Math.abs(value).toFixed(decimals) + "\u00b0";
  return value === 0 ? text : text + (value > 0 ? positive : negative);
}

// Meridians and parallels at a round step for the zoom, labelled along the
// view's top and left edges.
function vialumoDrawGraticule(g, view) {
  var world = view.world, perDegree = world / 360, step = GRATICULE_STEPS[0];
  for (var k = 0; k < GRATICULE_STEPS.length && GRATICULE_STEPS[k] * perDegree >= GRATICULE_PIXELS; k++)
    step = GRATICULE_STEPS[k];
  var west = (view.x0 - 0.5) * 360, east = (view.x1 - 0.5) * 360;
  var north = Math.min(MERCATOR_MAX_LATITUDE, vialumoLatitudeAt(Math.max(view.y0, 0)));
  var south = Math.max(-MERCATOR_MAX_LATITUDE, vialumoLatitudeAt(Math.min(view.y1, 1)));
  var top = Math.max(0, -view.oy), bottom = Math.min(view.height, world - view.oy);
  var meridians = [], parallels = [], v;
  g.strokeStyle = BASE_GRATICULE;
  g.lineWidth = 1;
  g.beginPath();
  for (v = Math.ceil(west / step) * step; v <= east; v += step) {
    var x = Math.round((0.5 + v / 360) * world - view.ox) + 0.5;
    g.moveTo(x, top); g.lineTo(x, bottom);
    meridians.push([x, v]);
  }
  for (v = Math.ceil(south / step) * step; v <= north; v += step) {
    var y = Math.round(vialumoMercatorY(v) * world - view.oy) + 0.5;
    g.moveTo(0, y); g.lineTo(view.width, y);
    parallels.push([y, v]);
  }
  g.stroke();
  g.fillStyle = BASE_LABEL;
  g.font = "9px \"DejaVu Sans\", sans-serif";
  g.textBaseline = "top";
  meridians.forEach(function (m) {
    var lon = ((m[1] + 180) % 360 + 360) % 360 - 180;
    g.fillText(vialumoDegreesText(Math.abs(lon - 180) < 1e-9 ? 180 : lon, step, "E", "W"), m[0] + 3, view.top + 3);
  });
  g.textBaseline = "bottom";
  parallels.forEach(function (p) {
    g.fillText(vialumoDegreesText(p[1], step, "N", "S"), view.left + 3, p[0] - 2);
  });
}

function vialumoBaseLayer(shapes) {
  return vialumoCanvasLayer("basePane", function (g, view) {
    if (shapes) {
      g.lineJoin = "round";
      g.beginPath();
      vialumoTraceShapes(g, view, shapes.land, true);
      g.fillStyle = BASE_LAND;
      g.fill("evenodd");
      g.strokeStyle = BASE_COAST;
      g.lineWidth = 1;
      g.stroke();
      g.beginPath();
      vialumoTraceShapes(g, view, shapes.lakes, true);
      g.fillStyle = BASE_SEA;
      g.fill("evenodd");
      g.stroke();
      g.beginPath();
      vialumoTraceShapes(g, view, shapes.borders, false);
      g.strokeStyle = BASE_BORDER;
      g.setLineDash([4, 3]);
      g.stroke();
      g.setLineDash([]);
    }
    vialumoDrawGraticule(g, view);
  });
}

// ---------------------------------------------------------------------------
// Tiles

// The tile layer the page shows: the tile server's online, the player's
// template wherever one is set.
function vialumoShowTiles() {
  var s = vialumoMap, map = s.map;
  if (!map) return;
  var template = s.tileTemplate || (s.online && typeof TILE_URL === "string" ? TILE_URL : null);
  if (s.tileLayer && (!template || s.tileLayer.options.vialumoOnline !== s.online)) {
    s.tileLayer.remove();
    s.tileLayer = null;
  }
  if (template) {
    if (s.tileLayer) {
      s.tileLayer.setUrl(template);
    } else {
      s.tileLayer = L.tileLayer(template, {
        maxZoom: BASE_MAX_ZOOM,
        attribution: s.online && typeof TILE_ATTRIBUTION === "string" ? TILE_ATTRIBUTION : "",
        vialumoOnline: s.online
      });
      // A tile that does not come leaves the base under it, not a broken image.
      s.tileLayer.on("tileerror", function (e) { if (e.tile) e.tile.style.visibility = "hidden"; });
      // The note tells whether any tile is drawn: a cache or an offline map
      // that does not cover the view leaves the plain base.
      var shown = new Set();
      s.tileLayer.on("tileload", function (e) { if (e.tile) { shown.add(e.tile); vialumoShowOfflineNote(shown.size); } });
      s.tileLayer.on("tileunload", function (e) { shown.delete(e.tile); vialumoShowOfflineNote(shown.size); });
      s.tileLayer.addTo(map);
    }
  }
  if (!s.tileLayer) vialumoShowOfflineNote(0);
}

// The offline map's note: whether tiles from this computer are drawn.
function vialumoShowOfflineNote(tilesShown) {
  var note = document.getElementById("offline-note");
  if (note) note.textContent = tilesShown > 0 ? OFFLINE_TILES_NOTE : OFFLINE_NOTE;
}

// The URL template of map tiles the player has ({z}, {x}, {y}); an empty one
// goes back to the page's own tiles. The offline map takes only templates
// that stay on this computer (the player's own scheme, file:, data:).
function settiles(template) {
  try {
    var s = vialumoMap;
    if (template === null || template === undefined || template === "") {
      if (s.tileTemplate === null) return;
      s.tileTemplate = null;
      vialumoShowTiles();
      return;
    }
    if (typeof template !== "string" || template.indexOf("{z}") < 0 || template.indexOf("{x}") < 0
        || template.indexOf("{y}") < 0)
      return;
    var scheme = /^([a-zA-Z][a-zA-Z0-9+.\-]*):/.exec(template);
    if (!scheme) return;
    if (!s.online && NETWORK_SCHEMES.indexOf(scheme[1].toLowerCase()) >= 0) return;
    if (template === s.tileTemplate) return;
    s.tileTemplate = template;
    vialumoShowTiles();
  } catch (e) {
  }
}

// The offline map's scale bar, in the unit of the speeds shown.
function vialumoShowScale() {
  var s = vialumoMap;
  if (!s.map || s.online) return;
  if (s.scaleControl) s.scaleControl.remove();
  s.scaleControl = L.control.scale({ position: "bottomleft", maxWidth: 110,
                                     metric: s.unit !== "mph", imperial: s.unit === "mph" }).addTo(s.map);
}

// ---------------------------------------------------------------------------
// The map

// Makes the page's map once its body is there; online: the online map.
function vialumoStartMap(online) {
  var s = vialumoMap, message = document.getElementById("message");
  s.online = online;
  vialumoSetUpProfile();
  // A route that came before the body: its profile needs the body.
  if (s.route) {
    document.body.classList.add("has-route");
    vialumoDrawProfile();
  }
  if (typeof L === "undefined" || !L.map) {
    if (message) {
      message.setAttribute("data-kind", "error");
      message.innerHTML = "<b>The map cannot be shown.</b><br>Its map library is missing "
                        + "from the program's <code>images/leaflet</code> folder.";
      message.style.display = "block";
    }
    return;
  }
  try {
    var map = L.map("map", {
      zoomControl: true,
      attributionControl: true,
      fadeAnimation: false,
      worldCopyJump: true,
      maxZoom: BASE_MAX_ZOOM
    });
    map.attributionControl.setPrefix("Leaflet");
    // Base under the tiles; the previous recording's route under the
    // current one, both under the markers.
    map.createPane("basePane").style.zIndex = 150;
    map.createPane("previousRoutePane").style.zIndex = 390;
    map.createPane("routePane").style.zIndex = 395;
    map.on("dragstart", function () {
      vialumoMap.followPausedUntil = Date.now() + FOLLOW_PAUSE_MS;
    });
    vialumoSetUpRoutePicking(map);
    s.map = map;
    if (!online) {
      map.attributionControl.addAttribution("Natural Earth");
      s.baseLayer = vialumoBaseLayer(vialumoWorldShapes()).addTo(map);
      if (!s.hasView) vialumoSetView(OFFLINE_START, OFFLINE_START_ZOOM);
      vialumoShowScale();
    }
    // Online, no view is set yet, so no tile is asked for before the page has
    // loaded: the first tiles come with the first position.
    vialumoShowTiles();
    // Calls that came before the map existed.
    vialumoDrawPreviousRoute();
    vialumoDrawRoute();
    vialumoShowStart();
    vialumoShowCar();
  } catch (e) {
    s.map = null;
    if (message) {
      message.setAttribute("data-kind", "error");
      message.innerHTML = "<b>The map cannot be shown.</b>";
      message.style.display = "block";
    }
  }
}
