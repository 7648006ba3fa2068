// The key that stops an X11 recording from anywhere: Ctrl+Alt+S, grabbed on the root window in
// the grabber's own connection, so it reaches the recording whichever window has the focus (the
// recorder's own window is out of the way or minimised while it records).
#pragma once

#include <xcb/xcb.h>

namespace pictoreel {

class X11StopKey {
public:
    // Grabs the key with Caps Lock and Num Lock on or off; false when another program holds it.
    X11StopKey(xcb_connection_t* connection, xcb_window_t root);
    ~X11StopKey();
    X11StopKey(const X11StopKey&) = delete;
    X11StopKey& operator=(const X11StopKey&) = delete;

    bool grabbed() const { return grabbed_; }
    // Reads the events come so far: true once the key was pressed.
    bool pressed();

private:
    xcb_connection_t* c_;
    xcb_window_t root_;
    xcb_keycode_t key_ = 0;
    bool grabbed_ = false;
    bool pressed_ = false;
};

}  // namespace pictoreel
