// The player's object over Qt WebChannel: when the page runs inside a player
// that publishes one (qt.webChannelTransport), the page connects to the
// object named `player` and calls its seekToSecond(int) when the user clicks
// the route or the profile. Without a channel (an older player, a browser)
// everything works but seeking.

function vialumoConnectPlayer() {
  try {
    if (vialumoMap.channelAsked || typeof qt === "undefined" || !qt || !qt.webChannelTransport
        || typeof QWebChannel !== "function")
      return;
    vialumoMap.channelAsked = true;
    new QWebChannel(qt.webChannelTransport, function (channel) {
      var player = channel.objects ? channel.objects.player : null;
      if (player && typeof player.seekToSecond === "function")
        vialumoMap.player = player;
    });
  } catch (e) {
    vialumoMap.player = null;
  }
}

// Asks the player to play from that second; shows it at once.
function vialumoSeek(second) {
  var s = vialumoMap;
  if (!s.player || !isFinite(second)) return;
  second = Math.max(0, Math.round(second));
  try {
    s.player.seekToSecond(second);
  } catch (e) {
    return;   // the player has gone away; the page carries on
  }
  var now = performance.now();
  s.seekSecond = second;
  s.seekAt = now;
  if (s.clock.valid) {
    s.clock.base = second;
    s.clock.at = now;
    if (vialumoRender(now) && !s.frame)
      s.frame = requestAnimationFrame(vialumoFrame);
  }
}

vialumoConnectPlayer();
window.addEventListener("load", vialumoConnectPlayer);
