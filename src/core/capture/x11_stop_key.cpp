#include "core/capture/x11_stop_key.h"

#include <cstdint>
#include <cstdlib>

namespace pictoreel {

namespace {

constexpr xcb_keysym_t kKeysymS = 0x0073;  // "s", as X11 names it
constexpr std::uint16_t kModifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
// With Caps Lock, with Num Lock (Mod2 on nearly every keyboard map), with both, with neither.
constexpr std::uint16_t kLocks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

xcb_keycode_t keycodeOf(xcb_connection_t* c, xcb_keysym_t keysym)
{
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* mapping =
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, setup->min_keycode, std::uint8_t(count)), nullptr);
    if (!mapping)
        return 0;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping);
    const int perKey = mapping->keysyms_per_keycode;
    xcb_keycode_t found = 0;
    for (int i = 0; i < count && !found; ++i)
        for (int j = 0; j < perKey && !found; ++j)
            if (keysyms[i * perKey + j] == keysym)
                found = xcb_keycode_t(setup->min_keycode + i);
    std::free(mapping);
    return found;
}

}  // namespace

X11StopKey::X11StopKey(xcb_connection_t* connection, xcb_window_t root) : c_(connection), root_(root)
{
    key_ = keycodeOf(c_, kKeysymS);
    if (key_ == 0)
        return;
    grabbed_ = true;
    for (std::uint16_t locks : kLocks) {
        xcb_generic_error_t* error = xcb_request_check(
            c_, xcb_grab_key_checked(c_, 1, root_, kModifiers | locks, key_, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        if (error) {
            grabbed_ = false;
            std::free(error);
        }
    }
}

X11StopKey::~X11StopKey()
{
    if (key_ == 0)
        return;
    for (std::uint16_t locks : kLocks)
        xcb_ungrab_key(c_, key_, root_, kModifiers | locks);
    xcb_flush(c_);
}

bool X11StopKey::pressed()
{
    while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
        if ((event->response_type & 0x7f) == XCB_KEY_PRESS && reinterpret_cast<xcb_key_press_event_t*>(event)->detail == key_)
            pressed_ = true;
        std::free(event);
    }
    return pressed_;
}

}  // namespace pictoreel
