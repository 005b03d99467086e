#include "capture/progress_bar.h"

#include <algorithm>

namespace orvanta {

void ProgressBar::update(float showTimeCs) {
  if (!enabled_ || showLengthCs_ <= 0.0f) return;
  const double fraction = std::clamp(static_cast<double>(showTimeCs) / showLengthCs_, 0.0, 1.0);
  const int percent = static_cast<int>(fraction * 100.0);
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  constexpr int kWidth = 40;
  char bar[kWidth + 1];
  const int filled = static_cast<int>(fraction * kWidth);
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '-';
  bar[kWidth] = '\0';
  std::fprintf(stream_, "\r[%s] %3d%%  %6.2f s / %.2f s", bar, percent, fraction * showLengthCs_ / 100.0,
               showLengthCs_ / 100.0);
  std::fflush(stream_);
}

void ProgressBar::finish() {
  if (!enabled_ || shownPercent_ < 0) return;
  std::fputc('\n', stream_);
  std::fflush(stream_);
}

}  // namespace orvanta
