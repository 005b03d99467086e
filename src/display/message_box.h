#pragma once
// The programs' loader message hook: a message box while the show's screen is up, standard
// error otherwise, so a run without a screen never waits for an answer.

namespace orvanta {

void showMessageOnScreen(const char* text, const char* caption);

}  // namespace orvanta
