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

// The probe's report on the sample archive, as the README and the manual page show it,
// is the one the binary prints.
TEST(Documentation, ProbeExampleIsTheRealOne) {
  Scratch dir;
  std::ifstream sample(TALVIMO_SAMPLE, std::ios::binary);
  dir.write("demo.raw", Bytes(std::istreambuf_iterator<char>(sample), std::istreambuf_iterator<char>()));
  RunSurroundings probe;
  probe.binary = TALVIMO_PROBE_BINARY;
  const RunResult r = dir.run({"demo.raw"}, probe);
  ASSERT_EQ(r.status, 0);
  std::string indented;  // as a Markdown code block
  for (size_t at = 0; at < r.out.size(); at = r.out.find('\n', at) + 1) {
    indented += "    " + r.out.substr(at, r.out.find('\n', at) + 1 - at);
  }
  EXPECT_NE(readText(TALVIMO_SOURCE "/README.md").find("    $ talvimo-probe demo.raw\n" + indented), std::string::npos)
      << r.out;
  // The manual shortens the runners-up and writes each '-' as "\-".
  std::string manual = readText(TALVIMO_SOURCE "/doc/talvimo-probe.1");
  for (size_t at; (at = manual.find("\\-")) != std::string::npos;) manual.erase(at, 1);
  const std::string lines = "\n" + r.out;
  for (const char* label : {"input", "start", "end", "layout", "tracks", "command"}) {
    const size_t from = lines.find(std::string("\n") + label) + 1;
    ASSERT_NE(from, 0u) << label;
    const std::string line = lines.substr(from, lines.find('\n', from) + 1 - from);
    EXPECT_NE(manual.find("\n" + line), std::string::npos) << line;
  }
}

}  // namespace
