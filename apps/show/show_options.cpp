#include "show/show_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace orvanta {
namespace {

ParsedShowOptions failure(std::string error) {
  ParsedShowOptions result;
  result.outcome = ParsedShowOptions::Outcome::Error;
  result.error = std::move(error);
  return result;
}

bool parseSeconds(const std::string& text, double limit, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(parsed) || parsed < 0.0 || parsed > limit) return false;
  value = parsed;
  return true;
}

bool parseScale(const std::string& text, int& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed < 1 || parsed > kMaxWindowScale) return false;
  value = static_cast<int>(parsed);
  return true;
}

std::string formatSeconds(double seconds) {
  std::string text = std::to_string(seconds);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

}  // namespace

std::string showUsage(const char* program, bool windowed) {
  std::string usage = std::string("usage: ") + program + " [--data DIR] [--start SECONDS]" +
                      (windowed ? " [--scale N]" : "") + "\n";
  usage += windowed ? "Plays the show in a window.\n" : "Plays the show full screen.\n";
  usage +=
      "  --data DIR         read pictures, models and soundtrack from DIR (default: data in the\n"
      "                     working directory, else the installed data set)\n"
      "  --start SECONDS    start the show, its scenes and its music at that show time\n";
  if (windowed) {
    usage += "  --scale N          a window of 320N x 240N pixels (default 1, at most " +
             std::to_string(kMaxWindowScale) + ")\n";
  }
  usage +=
      "  --help             print this text and exit\n"
      "  --version          print the version and exit\n"
      "Keys: Escape ends, Space pauses and resumes, Left and Right seek 5 s";
  usage += windowed ? ", F11 or Alt+Enter toggles full screen.\n" : ".\n";
  return usage;
}

ParsedShowOptions parseShowOptions(int argc, const char* const* argv, bool windowed, double lengthSeconds) {
  ParsedShowOptions result;
  ShowOptions& options = result.options;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    if (name == "-h" || name == "--help") {
      result.outcome = ParsedShowOptions::Outcome::Help;
      return result;
    }
    if (name == "--version") {
      result.outcome = ParsedShowOptions::Outcome::Version;
      return result;
    }
    std::string value;
    bool hasValue = false;
    if (const size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
      hasValue = true;
    }
    const bool known = name == "--data" || name == "--start" || (windowed && name == "--scale");
    if (!known) return failure("unknown option '" + name + "'");
    if (!hasValue) {
      if (i + 1 >= argc) return failure(name + " needs a value");
      value = argv[++i];
    }
    if (name == "--data") {
      if (value.empty()) return failure("--data needs a folder");
      options.dataDirectory = value;
    } else if (name == "--start") {
      if (!parseSeconds(value, lengthSeconds, options.startSeconds)) {
        return failure("--start needs seconds from 0 to " + formatSeconds(lengthSeconds) + ", not '" + value + "'");
      }
    } else if (!parseScale(value, options.scale)) {
      return failure("--scale needs a whole number from 1 to " + std::to_string(kMaxWindowScale) + ", not '" +
                     value + "'");
    }
  }
  return result;
}

}  // namespace orvanta
