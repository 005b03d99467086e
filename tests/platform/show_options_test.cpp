// The show programs' command line and where they look for their data set.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "show/show_data.h"
#include "show/show_options.h"

namespace orvanta {
namespace {

ParsedShowOptions parse(std::initializer_list<const char*> args, bool windowed = true) {
  std::vector<const char*> argv{"orvanta"};
  argv.insert(argv.end(), args);
  return parseShowOptions(static_cast<int>(argv.size()), argv.data(), windowed, 98.0);
}

using Outcome = ParsedShowOptions::Outcome;

TEST(ShowOptions, DefaultsAndEveryOptionInBothSpellings) {
  const ParsedShowOptions none = parse({});
  EXPECT_EQ(none.outcome, Outcome::Run);
  EXPECT_EQ(none.options.dataDirectory, "");
  EXPECT_EQ(none.options.startSeconds, 0.0);
  EXPECT_EQ(none.options.scale, 1);

  const ParsedShowOptions all = parse({"--data", "/srv/show data", "--start=95.5", "--scale", "3"});
  ASSERT_EQ(all.outcome, Outcome::Run) << all.error;
  EXPECT_EQ(all.options.dataDirectory, "/srv/show data");
  EXPECT_EQ(all.options.startSeconds, 95.5);
  EXPECT_EQ(all.options.scale, 3);
  // The last of a repeated option counts; the ends of the show's span are allowed.
  const ParsedShowOptions again = parse({"--data=a", "--data=b", "--start", "0", "--start", "98", "--scale=16"});
  ASSERT_EQ(again.outcome, Outcome::Run) << again.error;
  EXPECT_EQ(again.options.dataDirectory, "b");
  EXPECT_EQ(again.options.startSeconds, 98.0);
  EXPECT_EQ(again.options.scale, 16);
}

TEST(ShowOptions, HelpAndVersionWinOverWhateverFollows) {
  EXPECT_EQ(parse({"--help", "--bogus"}).outcome, Outcome::Help);
  EXPECT_EQ(parse({"-h"}).outcome, Outcome::Help);
  EXPECT_EQ(parse({"--version", "--start", "nonsense"}).outcome, Outcome::Version);
  // ... but not over a mistake before them.
  EXPECT_EQ(parse({"--bogus", "--help"}).outcome, Outcome::Error);
}

TEST(ShowOptions, MistakesAreErrorsThatSayWhat) {
  struct Case {
    std::initializer_list<const char*> args;
    bool windowed;
    const char* says;
  };
  for (const Case& c : {
           Case{{"--bogus"}, true, "unknown option '--bogus'"},
           Case{{"data"}, true, "unknown option 'data'"},
           Case{{"--scale", "2"}, false, "unknown option '--scale'"},  // the full-screen program has no window size
           Case{{"--data"}, true, "--data needs a value"},
           Case{{"--data="}, true, "--data needs a folder"},
           Case{{"--start", "-1"}, true, "--start needs seconds from 0 to 98, not '-1'"},
           Case{{"--start", "98.01"}, true, "not '98.01'"},
           Case{{"--start", "nan"}, true, "not 'nan'"},
           Case{{"--start", "inf"}, true, "not 'inf'"},
           Case{{"--start", "5s"}, true, "not '5s'"},
           Case{{"--start="}, true, "not ''"},
           Case{{"--scale", "0"}, true, "--scale needs a whole number from 1 to 16, not '0'"},
           Case{{"--scale", "17"}, true, "not '17'"},
           Case{{"--scale", "2.5"}, true, "not '2.5'"},
           Case{{"--scale", "99999999999999999999"}, true, "not '99999999999999999999'"},
       }) {
    const ParsedShowOptions parsed = parse(c.args, c.windowed);
    EXPECT_EQ(parsed.outcome, Outcome::Error) << *c.args.begin();
    EXPECT_NE(parsed.error.find(c.says), std::string::npos) << parsed.error;
  }
}

TEST(ShowOptions, UsageNamesTheProgramAndItsOptions) {
  const std::string windowed = showUsage("orvanta_windowed", true);
  const std::string fullScreen = showUsage("orvanta", false);
  EXPECT_EQ(windowed.rfind("usage: orvanta_windowed ", 0), 0u);
  EXPECT_EQ(fullScreen.rfind("usage: orvanta ", 0), 0u);
  for (const char* option : {"--data", "--start", "--help", "--version", "Escape", "Space"}) {
    EXPECT_NE(windowed.find(option), std::string::npos) << option;
    EXPECT_NE(fullScreen.find(option), std::string::npos) << option;
  }
  EXPECT_NE(windowed.find("--scale"), std::string::npos);
  EXPECT_EQ(fullScreen.find("--scale"), std::string::npos);
  EXPECT_NE(windowed.find("F11"), std::string::npos);
}

// Runs in a fresh empty working directory, restored afterwards.
class DataFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    root_ = std::filesystem::path(::testing::TempDir()) / ("orvanta_data_" + std::to_string(getpid()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "work");
    std::filesystem::current_path(root_ / "work");
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(root_);
  }
  std::filesystem::path previous_, root_;
};

TEST_F(DataFolder, GivenFolderFirstThenTheWorkingDirectorysDataThenTheInstalledSet) {
  const std::string installed = (root_ / "share" / "data").string();
  EXPECT_EQ(chooseDataDirectory("", installed), "data") << "nothing anywhere: the default, to be reported";
  EXPECT_EQ(chooseDataDirectory("", ""), "data");
  std::filesystem::create_directories(installed);
  EXPECT_EQ(chooseDataDirectory("", installed), installed);
  EXPECT_EQ(chooseDataDirectory("mine", installed), "mine");
  std::ofstream("data") << "a file, not a folder";
  EXPECT_EQ(chooseDataDirectory("", installed), installed);
  std::filesystem::remove("data");
  std::filesystem::create_directory("data");
  EXPECT_EQ(chooseDataDirectory("", installed), "data");
}

TEST_F(DataFolder, AFolderCountsAsADataSetWhenItHoldsAnyOfTheShowsFiles) {
  EXPECT_FALSE(holdsShowData("data"));  // missing
  std::ofstream("data") << "a file";
  EXPECT_FALSE(holdsShowData("data"));
  std::filesystem::remove("data");
  std::filesystem::create_directory("data");
  EXPECT_FALSE(holdsShowData("data"));  // empty
  std::ofstream("data/readme.txt") << "not one of the show's files";
  std::ofstream("data/L33T.TGA") << "names are exact";
  EXPECT_FALSE(holdsShowData("data"));
  std::ofstream("data/l33t.tga") << "damaged, but there: the loader will say so";
  EXPECT_TRUE(holdsShowData("data"));
  EXPECT_TRUE(holdsShowData("data/"));
}

TEST_F(DataFolder, TheMessageNamesTheFolderAndHowToMakeIt) {
  const std::string missing = missingDataMessage("/no/such");
  EXPECT_EQ(missing,
            "orvanta: no data folder '/no/such'; make it with scripts/play.sh in the source tree, or with: datagen "
            "/no/such");
  std::filesystem::create_directory("empty");
  EXPECT_EQ(missingDataMessage("empty").rfind("orvanta: no show data in the folder 'empty'; ", 0), 0u);
  const std::string box = missingDataMessage("empty", true);
  EXPECT_EQ(box.find("orvanta:"), std::string::npos);
  EXPECT_NE(box.find("datagen empty"), std::string::npos);
}

TEST(InstalledData, IsFoundBesideTheRunningProgram) {
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(installedDataDirectory("../share/orvanta/data"),
            (program.parent_path().parent_path() / "share/orvanta/data").string());
}

}  // namespace
}  // namespace orvanta
