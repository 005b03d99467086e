#pragma once
// A one-line progress bar on standard error, drawn only when that is a terminal.

#include <cstdio>

namespace orvanta {

class ProgressBar {
 public:
  ProgressBar(std::FILE* stream, bool enabled, float showLengthCs)
      : stream_(stream), enabled_(enabled), showLengthCs_(showLengthCs) {}
  void update(float showTimeCs);
  void finish();

 private:
  std::FILE* stream_;
  bool enabled_;
  float showLengthCs_;
  int shownPercent_ = -1;
};

}  // namespace orvanta
