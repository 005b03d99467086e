#pragma once
// Start-up failures of the loaders are reported through one hook that the program entry
// sets: a message box when there is a screen, standard error otherwise.

namespace orvanta {

using MessageHook = void (*)(const char* text, const char* caption);

// nullptr restores the default, which writes "caption: text" to standard error.
void setMessageHook(MessageHook hook);
void showMessage(const char* text, const char* caption);

}  // namespace orvanta
