#pragma once
// Opens a picture or model for reading. Only a regular file (or a link to one) counts:
// a directory would "open" and report a nonsense size, and a named pipe would block the
// start-up forever, so both are files that cannot be opened.

#include <cstdio>

namespace orvanta {

// nullptr when the path does not name a readable regular file.
std::FILE* openDataFile(const char* path);

}  // namespace orvanta
