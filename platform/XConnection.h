#pragma once

#include <xcb/xcb.h>

// The program's connection to the X server; nullptr on any other window system
// (offscreen, Wayland), where the X11 interface exists but has no connection.
xcb_connection_t* XConnection();
