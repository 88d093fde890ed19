// Output and list-file names made from the input name, through the real binary.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/frames.h"

namespace {

namespace fs = std::filesystem;

struct NameCase {
  std::string input;                   // as given on the command line, relative to the scratch dir
  std::vector<std::string> switches;
  std::string printed;                 // the name the run prints (output or list file)
  std::string created;                 // the file that appears, relative to the scratch dir
};

void runNameCase(const NameCase& c) {
  SCOPED_TRACE(c.input + " " + testing::PrintToString(c.switches));
  Scratch dir;
  const fs::path input = fs::path(c.input).is_absolute() ? fs::path(c.input) : dir.path(c.input);
  fs::create_directories(input.parent_path());
  dir.write(input.lexically_relative(dir.dir()).string(), loud(0x21) + loud(0x13));
  fs::create_directories(dir.path(c.created).parent_path());
  std::vector<std::string> args = {c.input, "16"};
  args.insert(args.end(), c.switches.begin(), c.switches.end());
  const RunResult r = dir.run(args);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("\n" + c.printed + "\n"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::is_regular_file(dir.path(c.created))) << c.created;
}

TEST(Naming, OutputNames) {
  const std::string longBase(60, 'n');
  const std::string longDir = "/" + std::string(70, 'd');
  const std::string n52(52, 'n'), n53(53, 'n');
  const NameCase cases[] = {
      {"track.raw", {}, "track.WAV", "track.WAV"},
      {"a.b.raw", {}, "a.WAV", "a.WAV"},
      {"noext", {}, "noext.WAV", "noext.WAV"},
      {"C:\\data\\track.01.raw", {}, "track.WAV", "track.WAV"},
      {"C:\\in\\x.raw", {}, "x.WAV", "x.WAV"},
      {"D:x.raw", {}, "x.WAV", "x.WAV"},
      {":x.raw", {}, ":x.WAV", ":x.WAV"},    // the first character is never taken for a separator
      {"\\x.raw", {}, "\\x.WAV", "\\x.WAV"},
      {"a:x.raw", {}, "x.WAV", "x.WAV"},     // the second one is
      {longBase + ".raw", {}, longBase.substr(0, 54) + ".WAV", longBase.substr(0, 54) + ".WAV"},
      {"sub/x.raw", {}, "sub/x.WAV", "sub/x.WAV"},
      {"./x.raw", {}, "./x.WAV", "x.WAV"},
      {"my.dir/x.raw", {}, "my.dir/x.WAV", "my.dir/x.WAV"},
      {"C:\\dir/x.raw", {}, "dir/x.WAV", "dir/x.WAV"},
      {"sub" + longDir + "/" + longBase + ".raw", {}, "sub" + longDir + "/" + longBase.substr(0, 54) + ".WAV",
       "sub" + longDir + "/" + longBase.substr(0, 54) + ".WAV"},
      // The 54-byte cut never splits a UTF-8 sequence; other bytes are cut where they stand.
      {n53 + "\xC3\xA9x.raw", {}, n53 + ".WAV", n53 + ".WAV"},
      {n52 + "\xC3\xA9x.raw", {}, n52 + "\xC3\xA9.WAV", n52 + "\xC3\xA9.WAV"},
      {n52 + "\xE6\x97\xA5x.raw", {}, n52 + ".WAV", n52 + ".WAV"},
      {n53 + "\xE9xyz.raw", {}, n53 + "\xE9.WAV", n53 + "\xE9.WAV"},
      {"ab.raw", {"-t1"}, "ab_0000.WAV", "ab_0000.WAV"},
      {"ab.raw", {"-t1", "-n0x1A"}, "ab_001A.WAV", "ab_001A.WAV"},
      {"sub/ab.raw", {"-t1", "-n0xBEEF"}, "sub/ab_BEEF.WAV", "sub/ab_BEEF.WAV"},
  };
  for (const NameCase& c : cases) runNameCase(c);
}

TEST(Naming, AbsolutePathsAreNotCut) {
  Scratch dir;
  const std::string input = dir.path(std::string(40, 'p') + "/" + std::string(40, 'q') + "/x.raw").string();
  const std::string output = dir.path(std::string(40, 'p') + "/" + std::string(40, 'q') + "/x.WAV").string();
  fs::create_directories(fs::path(input).parent_path());
  dir.write(fs::path(input).lexically_relative(dir.dir()).string(), loud(0x21) + loud(0x13));
  const RunResult r = dir.run({input, "16"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "BlockSize:16\n" + output + "\n");
  EXPECT_TRUE(fs::is_regular_file(output));
}

TEST(Naming, ListFileNames) {
  const NameCase cases[] = {
      {"ab.raw", {"-t1", "-c"}, "ab_000SC.TXT", "ab_000SC.TXT"},
      {"ab.raw", {"-c"}, "ab.WAVSC.TXT", "ab.WAVSC.TXT"},
      {"abcde.raw", {"-c"}, "abcde.SC.TXT", "abcde.SC.TXT"},
      {"abcdefgh.raw", {"-c"}, "abcdefSC.TXT", "abcdefSC.TXT"},
      {"a.raw", {"-c"}, "a.WAVSC.TXT", "a.WAVSC.TXT"},
      {"sub/abcdef.raw", {"-c"}, "sub/abcdefSC.TXT", "sub/abcdefSC.TXT"},
      {"C:\\in\\ab.raw", {"-c", "-t2"}, "ab_000SC.TXT", "ab_000SC.TXT"},
      {"abcd\xC3\xA9.raw", {"-c"}, "abcd\xC3\xA9SC.TXT", "abcd\xC3\xA9SC.TXT"},
      {"abcde\xC3\xA9.raw", {"-c"}, "abcdeSC.TXT", "abcdeSC.TXT"},
  };
  for (const NameCase& c : cases) runNameCase(c);
}

TEST(Naming, CheckModeNeverReplacesAudioOrInput) {
  Scratch dir;
  dir.write("a.raw", loud(0x21) + loud(0x13));
  dir.write("a.WAV", {'R', 'I', 'F', 'F'});
  EXPECT_EQ(dir.run({"a.raw", "16", "-c"}).status, 0);
  EXPECT_EQ(dir.read("a.WAV"), (Bytes{'R', 'I', 'F', 'F'}));

  // The input ab.WAVSC.TXT would be its own list file.
  dir.write("ab.WAVSC.TXT", loud(0x21) + loud(0x13));
  const RunResult r = dir.run({"ab.WAVSC.TXT", "16", "-c"});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "BlockSize:16\nab.WAVSC.TXT\nnot write script file\n");
  EXPECT_EQ(dir.read("ab.WAVSC.TXT"), loud(0x21) + loud(0x13));

  fs::create_directory(dir.path("x.WAVSC.TXT"));
  dir.write("x.raw", loud(0x21) + loud(0x13));
  EXPECT_EQ(dir.run({"x.raw", "16", "-c"}).out, "BlockSize:16\nx.WAVSC.TXT\nnot write script file\n");
}

}  // namespace
