#pragma once
// Where the show programs find their data set, and whether a folder holds one at all.

#include <string>

namespace orvanta {

// The data set installed beside the program: `relativeToProgram` (e.g. "../share/orvanta/data")
// taken from the folder of the running executable; empty when that cannot be found.
std::string installedDataDirectory(const char* relativeToProgram);

// The folder to read: the one given on the command line; else "data" in the working directory
// when it is a folder; else `installed` when that is a folder; else "data".
std::string chooseDataDirectory(const std::string& given, const std::string& installed);

// True when `directory` is a folder holding at least one of the show's files. Single missing
// files are the loaders' business; a folder with none of them is a mistake.
bool holdsShowData(const std::string& directory);

// Says that `directory` holds no data set and how to make one: one line for standard error
// (without the newline), or a few short lines for a message box.
std::string missingDataMessage(const std::string& directory, bool forBox = false);

}  // namespace orvanta
