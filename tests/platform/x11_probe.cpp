// Test helper: finds the show's window on an X server and pokes it like a user would.
//   x11_probe geometry NAME TIMEOUT_S   waits for the window, prints "x y width height screenW screenH"
//   x11_probe escape NAME               presses and releases Escape in it
//   x11_probe close NAME                asks it to close, as the close button does

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

Window findByName(Display* display, Window parent, const char* name) {
  char* windowName = nullptr;
  if (XFetchName(display, parent, &windowName) != 0 && windowName != nullptr) {
    const bool match = std::strcmp(windowName, name) == 0;
    XFree(windowName);
    XWindowAttributes attributes;
    if (match && XGetWindowAttributes(display, parent, &attributes) != 0 && attributes.map_state == IsViewable) {
      return parent;
    }
  }
  Window root = 0;
  Window parentOut = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, parent, &root, &parentOut, &children, &count) == 0) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i) found = findByName(display, children[i], name);
  if (children != nullptr) XFree(children);
  return found;
}

Window waitForWindow(Display* display, const char* name, double timeoutSeconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  for (;;) {
    const Window window = findByName(display, DefaultRootWindow(display), name);
    if (window != 0 || std::chrono::steady_clock::now() >= deadline) return window;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void sendKey(Display* display, Window window, int type) {
  XKeyEvent key{};
  key.type = type;
  key.display = display;
  key.window = window;
  key.root = DefaultRootWindow(display);
  key.time = CurrentTime;
  key.same_screen = True;
  key.keycode = XKeysymToKeycode(display, XK_Escape);
  XSendEvent(display, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask,
             reinterpret_cast<XEvent*>(&key));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: x11_probe geometry|escape|close NAME [TIMEOUT_S]\n");
    return 2;
  }
  const std::string command = argv[1];
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "x11_probe: no X display\n");
    return 1;
  }
  const double timeout = argc > 3 ? std::atof(argv[3]) : 10.0;
  const Window window = waitForWindow(display, argv[2], timeout);
  if (window == 0) {
    std::fprintf(stderr, "x11_probe: no window named '%s'\n", argv[2]);
    return 1;
  }
  if (command == "geometry") {
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    std::printf("%d %d %d %d %d %d\n", x, y, attributes.width, attributes.height,
                DisplayWidth(display, DefaultScreen(display)), DisplayHeight(display, DefaultScreen(display)));
  } else if (command == "escape") {
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    sendKey(display, window, KeyPress);
    sendKey(display, window, KeyRelease);
  } else if (command == "close") {
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &close);
  } else {
    std::fprintf(stderr, "x11_probe: unknown command '%s'\n", command.c_str());
    return 2;
  }
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}
