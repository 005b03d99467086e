// Test helper: pokes the show's window on an X server as a user would.
//   x11_probe escape WINDOW_ID   presses and releases Escape in it
//   x11_probe close WINDOW_ID    asks it to close, as the close button does

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  Display* display = argc == 3 ? XOpenDisplay(nullptr) : nullptr;
  if (display == nullptr) {
    std::fprintf(stderr, "usage: x11_probe escape|close WINDOW_ID, on an X display\n");
    return 2;
  }
  const Window window = std::strtoul(argv[2], nullptr, 0);
  XEvent event{};
  if (std::strcmp(argv[1], "escape") == 0) {
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    event.xkey.display = display;
    event.xkey.window = window;
    event.xkey.root = DefaultRootWindow(display);
    event.xkey.same_screen = True;
    event.xkey.keycode = XKeysymToKeycode(display, XK_Escape);
    event.xkey.type = KeyPress;
    XSendEvent(display, window, True, KeyPressMask, &event);
    event.xkey.type = KeyRelease;
    XSendEvent(display, window, True, KeyReleaseMask, &event);
  } else {
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
  }
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}
