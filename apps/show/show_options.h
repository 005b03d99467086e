#pragma once
// Command line of the show programs (full screen and windowed).

#include <string>

namespace orvanta {

struct ShowOptions {
  std::string dataDirectory;  // empty: "data" in the working directory, else the installed set
  double startSeconds = 0.0;  // show time the show starts at
  int scale = 1;              // windowed: the window is 320*scale x 240*scale
};

struct ParsedShowOptions {
  enum class Outcome { Run, Help, Version, Error };
  Outcome outcome = Outcome::Run;
  ShowOptions options;
  std::string error;  // for Error: what was wrong
};

inline constexpr int kMaxWindowScale = 16;

// `lengthSeconds` bounds --start; --scale is an option of the windowed program only.
ParsedShowOptions parseShowOptions(int argc, const char* const* argv, bool windowed, double lengthSeconds);
std::string showUsage(const char* program, bool windowed);

}  // namespace orvanta
