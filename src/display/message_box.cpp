#include "display/message_box.h"

#include <SDL.h>

#include <cstdio>

#include "display/sdl_display.h"

namespace orvanta {

void showMessageOnScreen(const char* text, const char* caption) {
  if (screenAvailable() && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, screenWindow()) == 0) {
    return;
  }
  std::fprintf(stderr, "%s: %s\n", caption, text);
}

}  // namespace orvanta
