// Speeds as the user reads them: km/h or mph, as the player's speedometer
// shows them (setunits). Speeds arrive in km/h and stay so in the route; only
// what is shown (legend, profile, readout) and the bands that colour the
// route are in the chosen unit.

var KILOMETRES_PER_MILE = 1.609344;
// Upper bounds of the speed bands, slow to fast, in each unit: round figures
// near one another in both (30 km/h is about 19 mph); the last band has no
// upper bound.
var SPEED_BANDS = { kmh: [30, 60, 90, 120], mph: [20, 40, 55, 75] };
var SPEED_UNIT_NAMES = { kmh: "km/h", mph: "mph" };
// The profile's guide lines, one a band's width apart.
var PROFILE_GUIDE_STEP = { kmh: 30, mph: 20 };
var SPEED_BAND_LIMITS = SPEED_BANDS.kmh;
var SPEED_BAND_COLOURS = ["#3f7fd8", "#00b0a8", "#8cc63f", "#f2c12e", "#ef5a3c"];

// A speed in km/h in the chosen unit.
function vialumoSpeed(kmh) {
  return vialumoMap.unit === "mph" ? kmh / KILOMETRES_PER_MILE : kmh;
}

function vialumoUnitName() {
  return SPEED_UNIT_NAMES[vialumoMap.unit];
}

// "57 km/h", "35 mph".
function vialumoSpeedText(kmh) {
  return Math.round(vialumoSpeed(kmh)) + " " + vialumoUnitName();
}

// The band of a speed in km/h.
function vialumoBand(kmh) {
  var speed = vialumoSpeed(kmh), b = 0;
  while (b < SPEED_BAND_LIMITS.length && speed >= SPEED_BAND_LIMITS[b]) b++;
  return b;
}

// The unit of every speed the page shows: "kmh" or "mph" (also "km/h").
// Anything else is ignored.
function setunits(unit) {
  try {
    if (unit === "km/h") unit = "kmh";
    if (unit !== "kmh" && unit !== "mph") return;
    var s = vialumoMap;
    if (unit === s.unit) return;
    s.unit = unit;
    SPEED_BAND_LIMITS = SPEED_BANDS[unit];
    // Whatever shows speeds draws itself again; a page without one of these
    // parts (no route yet, no map library) has nothing to redraw.
    ["vialumoRebandRoute", "vialumoBuildLegend", "vialumoDrawProfile", "vialumoShowScale"].forEach(function (name) {
      if (typeof window[name] === "function") window[name]();
    });
  } catch (e) {
  }
}
