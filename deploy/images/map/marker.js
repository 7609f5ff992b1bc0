// The car: the start of the drive and the car's place (setstart,
// setposition), the view's first place (SetLocation), and the clock that
// glides the car along the route between whole seconds and moves the
// profile's playhead (setclock).

// A track drawn before a route comes keeps at most this many points.
var TRACK_MAX_POINTS = 20000;
// A glide that gets no new tick stops after this: a player that stopped
// ticking must not leave the car running away.
var CLOCK_MAX_RUN_MS = 1000;
// Ticks read the engine's time a little late, so one that lags the glide by
// less than this is not taken as a step back (which would make the car shake).
var CLOCK_LAG_MS = 300;
// After a seek, ticks still on their way from before it are not shown.
var SEEK_SETTLE_MS = 700;
var SEEK_SETTLE_SLACK_S = 1.5;

function vialumoShowStart() {
  var s = vialumoMap, ll = s.start;
  // The route has its own start marker.
  if (!s.map || !ll || s.routeDrawn) return;
  if (s.startMarker) {
    s.startMarker.setLatLng(ll);
  } else {
    s.startMarker = L.circleMarker(ll, {
      radius: 6, weight: 2, color: "#ffffff", fillColor: TEAL_DARK, fillOpacity: 1,
      interactive: false, pane: "markerPane"   // above the track
    }).addTo(s.map);
  }
  if (!s.driveInView)
    vialumoShowDrive(ll);
}

function vialumoExtendTrack(ll) {
  var s = vialumoMap;
  if (!s.track) {
    s.track = L.polyline([[]], {
      color: TEAL, weight: 4, opacity: 0.85, interactive: false
    }).addTo(s.map);
  }
  var rings = s.track.getLatLngs();
  var ring = rings[rings.length - 1];
  if (s.trackPoints >= TRACK_MAX_POINTS)
    return;
  var last = ring.length > 0 ? ring[ring.length - 1] : null;
  if (last !== null && last.distanceTo(ll) > TRACK_BREAK_METRES) {
    rings.push([L.latLng(ll)]);
    s.track.setLatLngs(rings);
  } else {
    s.track.addLatLng(ll, ring);
  }
  s.trackPoints++;
}

// Places the car marker (ll null: no car to show).
function vialumoPlaceCar(ll) {
  var s = vialumoMap;
  if (!s.map) return;
  if (ll === null) {
    if (s.carMarker && s.carShown) s.carMarker.remove();
    s.carShown = false;
    return;
  }
  if (s.carMarker) {
    s.carMarker.setLatLng(ll);
  } else {
    s.carMarker = L.circleMarker(ll, {
      radius: 7, weight: 3, color: TEAL, fillColor: "#ffffff", fillOpacity: 1,
      interactive: false, pane: "markerPane"
    });
  }
  if (!s.carShown) {
    s.carMarker.addTo(s.map);   // added last: above the route's end markers
    s.carShown = true;
  }
}

function vialumoShowCar() {
  var s = vialumoMap, ll = s.car;
  if (!s.map || !ll) return;
  if (s.routeDrawn) {
    // The route is drawn whole: no growing line; the clock, when the player
    // sends it, places the car more finely than these whole-second fixes.
    if (s.clock.valid) return;
    vialumoPlaceCar(ll);
    vialumoKeepInView(ll);
    return;
  }
  vialumoPlaceCar(ll);
  vialumoExtendTrack(ll);
  vialumoShowDrive(ll);
}

// Marks the start of the drive.
function setstart(lat, lon) {
  try {
    var ll = vialumoLatLon(lat, lon);
    if (ll === null || vialumoSame(ll, vialumoMap.start)) return;
    vialumoMap.start = ll;
    vialumoHideMessage();
    vialumoShowStart();
  } catch (e) {
    // A map that cannot draw must not break the player's calls.
  }
}

// Shows the car at the given point and keeps it in view.
function setposition(lat, lon) {
  try {
    var ll = vialumoLatLon(lat, lon);
    if (ll === null || vialumoSame(ll, vialumoMap.car)) return;
    vialumoMap.car = ll;
    vialumoHideMessage();
    vialumoShowCar();
  } catch (e) {
  }
}

// Centres the map there, but only while no drive is shown: the player sends a
// fixed place on every play/pause flip, and jumping away from the car on pause
// would leave the user looking at the wrong town.
function SetLocation(lat, lon) {
  try {
    var ll = vialumoLatLon(lat, lon);
    var s = vialumoMap;
    if (ll === null || !s.map || s.start !== null || s.car !== null || s.route !== null) return;
    vialumoSetView(ll, s.hasView ? s.map.getZoom() : LOCATION_ZOOM);
  } catch (e) {
  }
}

// The clock: the car glides between fixes, the playhead follows

// The play time (seconds) shown at `now`, NaN before any clock.
function vialumoClockTime(now) {
  var s = vialumoMap, c = s.clock;
  if (!c.valid) return NaN;
  if (!c.playing) return c.base;
  var t = c.base + Math.min(Math.max(now - c.at, 0), CLOCK_MAX_RUN_MS) / 1000;
  var r = s.route;
  if (r) {
    var i = vialumoFixAtOrBefore(r, c.base);
    if (i + 1 < r.count && t > r.sec[i + 1]) t = r.sec[i + 1];  // never past the next fix
  }
  return t;
}

// The car's place at play time t: between the two fixes around it when they
// are one road, at the last fix before it otherwise; null before the first.
function vialumoPlaceAt(r, t) {
  var i = vialumoFixAtOrBefore(r, t);
  if (i < 0) return null;
  if (i + 1 >= r.count || !r.joined[i] || t <= r.sec[i]) return [r.lat[i], r.lon[i]];
  var u = (t - r.sec[i]) / (r.sec[i + 1] - r.sec[i]);
  return [r.lat[i] + u * (r.lat[i + 1] - r.lat[i]), r.lon[i] + u * (r.lon[i + 1] - r.lon[i])];
}

// Shows the clock's time; tells whether the time can still move on by itself.
function vialumoRender(now) {
  var s = vialumoMap, r = s.route;
  var t = vialumoClockTime(now);
  if (!r || isNaN(t)) return false;
  vialumoPlacePlayhead(t);
  if (s.map && s.routeDrawn) {
    var ll = vialumoPlaceAt(r, t);
    vialumoPlaceCar(ll);
    if (ll !== null) vialumoKeepInView(ll);
  }
  return s.clock.playing && t !== vialumoClockTime(now + CLOCK_MAX_RUN_MS);
}

function vialumoFrame() {
  var s = vialumoMap;
  s.frame = 0;
  try {
    if (vialumoRender(performance.now()))
      s.frame = requestAnimationFrame(vialumoFrame);
  } catch (e) {
  }
}

// The engine's play time and whether it plays. See the top of the page.
function setclock(milliseconds, playing) {
  try {
    var s = vialumoMap, c = s.clock, now = performance.now();
    var ms = vialumoNumber(milliseconds);
    if (!(ms >= 0 && ms <= ROUTE_MAX_SECOND * 1000)) return;
    var run = playing === true || playing === 1 || playing === "true";
    var t = ms / 1000;
    if (now - s.seekAt < SEEK_SETTLE_MS && Math.abs(t - s.seekSecond) > SEEK_SETTLE_SLACK_S) return;
    if (run && c.valid && c.playing) {
      var shown = vialumoClockTime(now);
      if (t < shown && (shown - t) * 1000 < CLOCK_LAG_MS) t = shown;
    }
    c.valid = true;
    c.base = t;
    c.at = now;
    c.playing = run;
    if (vialumoRender(now) && !s.frame)
      s.frame = requestAnimationFrame(vialumoFrame);
  } catch (e) {
  }
}

