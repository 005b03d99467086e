#include "base/messages.h"

#include <cstdio>

namespace orvanta {
namespace {

void writeToStandardError(const char* text, const char* caption) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
}

MessageHook gMessageHook = writeToStandardError;

}  // namespace

void setMessageHook(MessageHook hook) { gMessageHook = hook != nullptr ? hook : writeToStandardError; }

void showMessage(const char* text, const char* caption) { gMessageHook(text, caption); }

}  // namespace orvanta
