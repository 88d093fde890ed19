// The usage text, the README and the manual page name the same switches.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

#include "support/scratch.h"

namespace {

std::string readText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<char> lettersIn(const std::string& text, const std::regex& pattern) {
  std::set<char> letters;
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) letters.insert((*it)[1].str()[0]);
  return letters;
}

// Only the part of a text between two headings.
std::string section(const std::string& text, const std::string& from, const std::string& to) {
  const size_t start = text.find(from);
  const size_t stop = text.find(to, start == std::string::npos ? 0 : start);
  return start == std::string::npos ? "" : text.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
}

TEST(Documentation, EveryUsageSwitchIsInTheReadmeAndTheManual) {
  Scratch dir;
  const std::string usage = dir.run({}).out;
  const std::set<char> switches = lettersIn(usage, std::regex("\n  -([a-z])\t"));
  ASSERT_EQ(switches.size(), 14u) << usage;

  // README: the rows of the switch table, each starting with the switch in backquotes.
  const std::string readme = section(readText(TALVIMO_SOURCE "/README.md"), "## Command line", "### How numbers");
  EXPECT_EQ(lettersIn(readme, std::regex("\n\\| `-([a-z])")), switches);

  // Manual: the tagged paragraphs of OPTIONS, each headed by the switch.
  const std::string manual = section(readText(TALVIMO_SOURCE "/doc/talvimo.1"), ".SH OPTIONS", ".SS Numbers");
  EXPECT_EQ(lettersIn(manual, std::regex("\n\\.TP\n\\.B[IR]? \\\\-([a-z])")), switches);
}

// The list-file name the README and the manual give as an example is the one the binary
// makes (six characters of the output's name, then SC.TXT).
TEST(Documentation, ListFileNameExampleIsTheRealOne) {
  Scratch dir;
  dir.write("bgm.raw", {});
  const RunResult r = dir.run({"bgm.raw", "0x800", "-t1", "-c"});
  ASSERT_EQ(r.out, "BlockSize:2048\nType:1\nbgm_00SC.TXT\n");
  EXPECT_NE(readText(TALVIMO_SOURCE "/README.md").find("`bgm_00SC.TXT`"), std::string::npos);
  EXPECT_NE(readText(TALVIMO_SOURCE "/doc/talvimo.1").find(".RB ( bgm_00SC.TXT"), std::string::npos);
}

}  // namespace
