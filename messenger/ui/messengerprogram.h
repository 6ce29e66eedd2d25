#pragma once

#include <functional>

class frm_pelwickUDP;

// Runs window as the messenger program: loads it, shows it and returns the
// exit code once it has unloaded. Log-out, shutdown and SIGTERM, SIGHUP or
// SIGINT close it as its user would (settings saved, goodbye said). loaded
// runs once the window has loaded, before it is shown.
int runMessenger(frm_pelwickUDP &window, const std::function<void()> &loaded = {});
