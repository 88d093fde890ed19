// Inputs and conditions from the hostile world: inputs past 2 GiB, full disks, FIFOs
// and devices where files are expected, read errors, closed and failing standard streams.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <sstream>

#include "app/driver.h"
#include "decode/decode_path.h"
#include "output/pair_output.h"
#include "scan/scan_loop.h"
#include "support/frames.h"

namespace {

namespace fs = std::filesystem;

uint32_t le32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

TEST(Hostile, InputOver2GiBEndsAtOffset0x7FFFFFFFWithoutWrapping) {
  Scratch dir;
  dir.write("big.raw", {});
  fs::resize_file(dir.path("big.raw"), 0x80000000ull + 0x100000);  // sparse: reads as zeros
  const RunResult r = dir.run({"big.raw", "0x800", "-c", "-v"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("0x80000000 / 0x801000000x00\r"), std::string::npos);
  EXPECT_TRUE(r.out.ends_with("big.WAV : 0x00000000 : 0x7FFFFFFF\n")) << r.out.substr(r.out.size() - 200);
  const std::string list = "0000\t0x00000000\t0x7FFFFFFF\t0x7FFFFFFF\r\n\x1A";
  EXPECT_EQ(dir.read("big.WASC.TXT"), Bytes(list.begin(), list.end()));
}

TEST(Hostile, FullDiskIsReportedAndNoWavClaimsMoreThanItHolds) {
  // 64 KiB per file at most. The first segment (1 pair of 0x800 blocks, 14 KiB of
  // samples) fits; the second (40 pairs, 560 KiB) does not. Older files of the same
  // names (with a header claiming all of their 60 KiB) are truncated before the new
  // samples go in, so that none is left claiming its old length.
  const Bytes cut(16, 0);
  const Bytes small = repeat(loud(0x21), 0x100);
  const Bytes large = repeat(loud(0x13), 0x100 * 40);
  Bytes older(60 * 1024, 0x5A);
  const uint8_t riff[] = {'R', 'I', 'F', 'F', 0xF4, 0xEF, 0, 0, 'W', 'A', 'V', 'E'};
  std::copy(std::begin(riff), std::end(riff), older.begin());
  for (const bool earlierRun : {false, true}) {
    SCOPED_TRACE(earlierRun ? "older WAVs with the same names" : "no older WAVs");
    Scratch dir;
    dir.write("in.raw", small + cut + large);
    if (earlierRun) {
      dir.write("in_0000.WAV", older);
      dir.write("in_0001.WAV", older);
    }
    const RunResult r = dir.run({"in.raw", "0x800", "-t2"}, {64 * 1024, nullptr, false});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "BlockSize:2048\nType:2\nin_0000.WAV\nin_0001.WAV\nnot write output file\n");
    for (const std::string& name : {std::string("in_0000.WAV"), std::string("in_0001.WAV")}) {
      SCOPED_TRACE(name);
      const Bytes wav = dir.read(name);
      ASSERT_GE(wav.size(), 44u);
      const bool hasHeader = std::string(wav.begin(), wav.begin() + 4) == "RIFF";
      EXPECT_EQ(hasHeader, name == "in_0000.WAV");
      if (hasHeader) {
        EXPECT_EQ(le32(wav, 40), wav.size() - 44);
        EXPECT_EQ(le32(wav, 4), wav.size() - 8);
      } else {
        EXPECT_EQ(le32(wav, 4), 0u);  // claims nothing
        EXPECT_EQ(le32(wav, 40), 0u);
      }
    }
  }
}

// Names that exist as something other than a regular file are refused at once (never
// waited on); regular files are replaced; unreadable inputs and a console that cannot be
// written fail the run.
// Progress lines of a verbose run come out only once the pairs read before them are
// written: a disk that fills between two lines cuts the output after the first, as a run
// writing every pair at once would. 3 MiB of stereo frames in blocks of 16 bytes give 3.5
// bytes of samples per byte read, so the limits fall between the lines (at 1, 2 and 3 MiB
// read: 3.5, 7 and 10.5 MiB written), far from any of them.
TEST(Hostile, ProgressLinesWaitForTheirPairs) {
  struct Case {
    const char* name;
    uint64_t limit;  // bytes a file may hold (0: no limit)
    int lines;       // progress lines printed
  };
  const Case cases[] = {
      {"full before the first line", 2 << 20, 0},
      {"full between the first and the second", 5 << 20, 1},
      {"full between the second and the third", 9 << 20, 2},
      {"room for all", 0, 3},
  };
  const Bytes input = repeat(loud(0x21) + loud(0x13), 3 << 15);  // 3 MiB
  const std::string allLines = "0x00100000 / 0x003000000x11\r0x00200000 / 0x003000000x11\r0x00300000 / 0x003000000x11\r";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    dir.write("in.raw", input);
    const RunResult r = dir.run({"in.raw", "16", "-v"}, {c.limit, nullptr, false});
    const std::string lines = allLines.substr(0, static_cast<size_t>(c.lines) * 28);
    const std::string end = c.limit == 0 ? "in.WAV : 0x00000000 : 0x00300000\n" : "in.WAV\nnot write output file\n";
    EXPECT_EQ(r.out, "BlockSize:16\nverbose\n" + lines + end);
    EXPECT_EQ(r.status, c.limit == 0 ? 0 : 255);
  }
}

TEST(Hostile, SurroundingsThatAreNotPlainFiles) {
  const Bytes pair = loud(0x21) + loud(0x13);
  const Bytes twoSegments = pair + Bytes(16, 0) + pair;
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::function<void(const Scratch&)> prepare;
    RunSurroundings surroundings;
    std::string out;
    int status;
    std::string fifoLeft;  // a FIFO that must still be there, untouched
  };
  const auto fifo = [](const char* name) { return [name](const Scratch& d) { mkfifo(d.path(name).c_str(), 0600); }; };
  const auto regular = [](const Scratch& d) { d.write("in.WAV", Bytes(1000, 7)); };
  const auto nothing = [](const Scratch&) {};
  const Case cases[] = {
      {"FIFO at the output name", {"in.raw", "16"}, fifo("in.WAV"), {}, "BlockSize:16\nin.WAV\nnot write output file\n",
       255, "in.WAV"},
      {"regular file at the output name", {"in.raw", "16"}, regular, {}, "BlockSize:16\nin.WAV\n", 0, ""},
      {"FIFO at the second numbered name", {"in.raw", "16", "-t2"}, fifo("in_0001.WAV"), {},
       "BlockSize:16\nType:2\nin_0000.WAV\nin_0001.WAV\nnot write output file\n", 255, "in_0001.WAV"},
      {"FIFO at the list file", {"in.raw", "16", "-c"}, fifo("in.WAVSC.TXT"), {},
       "BlockSize:16\nin.WAVSC.TXT\nnot write script file\n", 255, "in.WAVSC.TXT"},
      {"an input that fails to read", {"/proc/self/mem", "16"}, nothing, {},
       "BlockSize:16\n/proc/self/mem\nnot read src file\n", 255, ""},
      {"console on a full disk", {"in.raw", "16", "-c"}, nothing, {0, "/dev/full", false}, "", 255, ""},
      {"console on the null device", {"in.raw", "16", "-c"}, nothing, {0, "/dev/null", false}, "", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    dir.write("in.raw", twoSegments);
    c.prepare(dir);
    const RunResult r = dir.run(c.args, c.surroundings);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.status, c.status);
    if (!c.fifoLeft.empty()) {
      struct stat info;
      EXPECT_TRUE(lstat(dir.path(c.fifoLeft).c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    }
  }
}

// Worker threads that the system cannot start (none left for the user): the run decodes
// its windows with the threads that did start, or alone, to the same bytes.
TEST(Hostile, WorkerThreadsThatCannotStart) {
  if (std::string(TALVIMO_NO_THREADS).empty()) GTEST_SKIP() << "no thread-refusing library in this build";
  const Bytes piece = music(5, 4096) + music(6, 4096);
  const Bytes input = repeat(piece, 24);  // 3 MiB: several decode windows
  Scratch plain, without;
  plain.write("in.raw", input);
  without.write("in.raw", input);
  RunSurroundings refused;
  refused.preload = TALVIMO_NO_THREADS;
  for (const std::vector<std::string>& args : {std::vector<std::string>{"in.raw", "0x800"}, {"in.raw", "0x800", "-o1", "-v"}}) {
    SCOPED_TRACE(testing::PrintToString(args));
    const RunResult a = plain.run(args), b = without.run(args, refused);
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(b.status, 0);
    EXPECT_EQ(b.out, a.out);
    EXPECT_EQ(without.read("in.WAV"), plain.read("in.WAV"));
  }
}

// The x87 set to round to 53 bits in the thread that starts a run (as Windows starts a
// thread; worker threads then copy it): every decode sets the 64 bits the rule needs for
// itself, and the WAV is the same.
TEST(Hostile, X87PrecisionOfTheStartingThread) {
  Scratch dir;
  dir.write("in.raw", repeat(music(8, 4096) + music(9, 4096), 12));
  for (const std::vector<std::string>& args : {std::vector<std::string>{"auto", "in.raw", "0x800"},
                                              {"x87", "in.raw", "0x800"}, {"x87", "in.raw", "0x800", "-o1"}}) {
    SCOPED_TRACE(testing::PrintToString(args));
    if (!decodePathAvailable(DecodePath::kX87) && args[0] == "x87") continue;
    RunSurroundings check;
    check.binary = TALVIMO_PRECISION_CHECK;
    const RunResult r = dir.run(args, check);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.out.starts_with("same: ")) << r.out;
  }
}

// With descriptors 0 and 1 closed at start, neither the input nor a WAV may take their
// place: the dump text must not land in the audio.
TEST(Hostile, ClosedStandardStreamsAreNotReused) {
  const Bytes input = music(7, 64);
  Scratch plain;
  plain.write("in.raw", input);
  ASSERT_EQ(plain.run({"in.raw", "0x100", "-d"}).status, 0);
  Scratch closed;
  closed.write("in.raw", input);
  const RunResult r = closed.run({"in.raw", "0x100", "-d"}, {0, nullptr, true});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(closed.read("in.WAV"), plain.read("in.WAV"));
  EXPECT_EQ(closed.files(), (std::vector<std::string>{"in.WAV", "in.raw"}));
}

// A stream over a real file whose reads fail with EIO on the bytes in [badFrom, badTo)
// (a bad stretch of the disk: the bytes before it are read first), and whose seeks fail
// when seeksFail is set.
struct FailingFile {
  FILE* file;
  int64_t position;
  int64_t badFrom, badTo;
  bool seeksFail;
};

ssize_t readFailing(void* cookie, char* buffer, size_t size) {
  FailingFile& f = *static_cast<FailingFile*>(cookie);
  if (f.position >= f.badFrom && f.position < f.badTo) {
    if (std::fgetc(f.file) == EOF) return 0;  // at the end there is nothing to fail on
    errno = EIO;
    return -1;
  }
  if (f.position < f.badFrom) size = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(size), f.badFrom - f.position));
  const size_t got = std::fread(buffer, 1, size, f.file);
  f.position += static_cast<int64_t>(got);
  return static_cast<ssize_t>(got);
}

int seekFailing(void* cookie, off64_t* offset, int whence) {
  FailingFile& f = *static_cast<FailingFile*>(cookie);
  if (f.seeksFail || whence != SEEK_SET || std::fseek(f.file, static_cast<long>(*offset), SEEK_SET) != 0) {
    errno = EIO;
    return -1;
  }
  f.position = *offset;
  return 0;
}

int closeFailing(void* cookie) { return std::fclose(static_cast<FailingFile*>(cookie)->file); }

// A read error part way through is not the end of the input: the run fails with "not
// read src file", the pairs read before it are all written first (the decode window
// with them), and the WAV left behind claims no more data than it holds. An error at
// the last byte fails the run; reading every byte ends it normally. A skip that passes
// over bytes whose read failed does not forget the failure, and a skip whose seek fails
// fails the run the same way.
TEST(Hostile, ReadErrorIsNotTheEndOfTheInput) {
  constexpr int64_t kNever = INT64_MAX;
  const Bytes input = music(3, 64 * 8);  // eight pairs of 0x200-byte blocks
  Bytes spaced;                           // the same pairs, each followed by 64 KiB of other data
  for (size_t p = 0; p < 8; ++p) {
    spaced.insert(spaced.end(), input.begin() + static_cast<long>(p * 0x400), input.begin() + static_cast<long>(p * 0x400 + 0x400));
    spaced.insert(spaced.end(), 0x10000, 0xEE);
  }
  struct Case {
    const char* name;
    const Bytes* input;
    std::vector<std::string> switches;
    FailingFile failure;
    size_t pairsWritten;
  };
  const Case cases[] = {
      {"a read fails in the fifth pair", &input, {}, {nullptr, 0, 0x1234, kNever, false}, 4},
      {"the last byte cannot be read", &input, {}, {nullptr, 0, static_cast<int64_t>(input.size()) - 1, kNever, false}, 7},
      {"every byte is read", &input, {}, {nullptr, 0, static_cast<int64_t>(input.size()), kNever, false}, 8},
      {"a skip passes over bytes that could not be read", &spaced, {"-s0x10000"}, {nullptr, 0, 0x600, 0x700, false}, 1},
      {"the seek of a skip fails", &spaced, {"-s0x10000"}, {nullptr, 0, kNever, kNever, true}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    dir.write("in.raw", *c.input);
    static RunState s;
    resetState(s);
    char* consoleText = nullptr;
    size_t consoleSize = 0;
    s.console = open_memstream(&consoleText, &consoleSize);
    std::string name = dir.path("in.raw").string();
    std::vector<std::string> words = {"talvimo", name, "0x200"};
    words.insert(words.end(), c.switches.begin(), c.switches.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    ASSERT_EQ(parseArguments(s, argv.data(), static_cast<int>(words.size())), 0);
    ASSERT_EQ(openInput(s, argv.data()), 0);
    static FailingFile failing;
    failing = c.failure;
    failing.file = s.run.input;
    s.run.input = fopencookie(&failing, "rb", {readFailing, nullptr, seekFailing, closeFailing});
    // As the driver runs it: the scan, then the pairs still waiting written out.
    const int scanned = scanInput(s);
    const int result = writeWaitingPairs(s) != 0 || scanned != 0 ? -1 : 0;
    if (s.run.output != nullptr) std::fclose(s.run.output);
    std::fclose(s.run.input);
    std::fclose(s.console);
    const std::string console(consoleText, consoleSize);
    std::free(consoleText);
    s.console = stdout;

    const std::string echo = "BlockSize:512\n" + std::string(c.switches.empty() ? "" : "SkipSize:65536\n");
    ASSERT_TRUE(dir.exists("in.WAV")) << console;
    const Bytes wav = dir.read("in.WAV");
    ASSERT_GE(wav.size(), 44u);
    const bool fails = c.failure.badFrom < static_cast<int64_t>(c.input->size()) || c.failure.seeksFail;
    if (fails) {
      EXPECT_EQ(result, -1);
      EXPECT_EQ(console, echo + name + "\nnot read src file\n");
      EXPECT_EQ(le32(wav, 40), 0u);  // no header: claims nothing
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(console, echo + dir.path("in.WAV").string() + "\n");
      EXPECT_EQ(le32(wav, 40), wav.size() - 44);
    }
    EXPECT_EQ(wav.size(), 44 + c.pairsWritten * 64 * 56);  // whole pairs of 64 frames
  }
}

// The system calls of a real run made to fail under strace: what was read before the
// failure reaches the WAV, the pairs waiting in decode windows too. A run without
// windows (-d, which writes every pair at once) is the measure.
bool straceWorks() {
  return std::string(TALVIMO_EMULATOR).empty() && std::system("strace -f -o /dev/null -e trace=none true 2>/dev/null") == 0;
}

// strace's arguments for tracing talvimo with these arguments, run through env: a
// sanitized build's leak check cannot run under ptrace and would fail the run at exit.
std::vector<std::string> underStrace(std::vector<std::string> straceArgs, const std::vector<std::string>& args) {
  const char* asan = std::getenv("ASAN_OPTIONS");
  std::vector<std::string> line = {std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") + ":detect_leaks=0", "strace"};
  line.insert(line.end(), straceArgs.begin(), straceArgs.end());
  line.push_back(TALVIMO_BINARY);
  line.insert(line.end(), args.begin(), args.end());
  return line;
}

// The 1-based count, among the run's calls of `syscall`, of the first call in its strace
// log for which `pick(the line before, its line)` holds; 0 when none does.
size_t callNumber(const Scratch& dir, const std::vector<std::string>& args, const char* syscall,
                  const std::function<bool(const std::string&, const std::string&)>& pick) {
  const std::vector<std::string> traced =
      underStrace({"-f", "-o", dir.path("trace.txt").string(), "-e", std::string("trace=") + syscall}, args);
  RunSurroundings strace;
  strace.binary = "env";
  strace.stdoutPath = "/dev/null";
  if (dir.run(traced, strace).status != 0) return 0;
  const Bytes log = dir.read("trace.txt");
  std::istringstream lines(std::string(log.begin(), log.end()));
  size_t calls = 0;
  std::string previous;
  for (std::string line; std::getline(lines, line); previous = line) {
    if (line.find(std::string(syscall) + "(") == std::string::npos) continue;
    calls += 1;
    if (pick(previous, line)) return calls;
  }
  return 0;
}

TEST(Hostile, FailingSystemCallsKeepWhatWasRead) {
  if (!straceWorks()) GTEST_SKIP() << "strace cannot trace the binary here";
  const Bytes piece = music(5, 4096) + music(6, 4096);
  const Bytes input = repeat(piece, 24) + music(7, 0x500);  // 3 MiB and 20 KiB: the last read is short
  const struct {
    const char* what;
    std::vector<std::string> switches;
    const char* syscall;
    std::function<bool(const std::string&, const std::string&)> failing;  // picks the call to fail: (the call before, the call)
  } rows[] = {
      // -s: a seek past the bytes skipped wherever they leave the 64 KiB read last; the
      // first past 2 MiB, with a window full of pairs (1.5 MiB of input) waiting.
      {"the seek of a skip fails", {"-s0x7F0"}, "lseek",
       [](const std::string&, const std::string& line) {
         const size_t at = line.find(", ", line.find("lseek("));
         return at != std::string::npos && line.find("SEEK_SET") != std::string::npos && std::stoll(line.substr(at + 2)) >= 0x200000;
       }},
      // The input's last read is short (20 KiB); the one after it, where the end was, fails.
      {"a short read, then an error", {}, "read",
       [](const std::string& previous, const std::string&) { return previous.ends_with("= 20480"); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Bytes written[2];
    for (int dump = 0; dump < 2; ++dump) {
      Scratch dir;
      dir.write("in.raw", input);
      std::vector<std::string> args = {"in.raw", "0x800"};
      args.insert(args.end(), row.switches.begin(), row.switches.end());
      if (dump == 1) args.push_back("-d");
      const size_t call = callNumber(dir, args, row.syscall, row.failing);
      ASSERT_GT(call, 0u);
      const std::vector<std::string> failed =
          underStrace({"-f", "-o", "/dev/null", "-e", std::string("trace=") + row.syscall, "-e",
                       std::string("inject=") + row.syscall + ":error=EIO:when=" + std::to_string(call)},
                      args);
      RunSurroundings strace;
      strace.binary = "env";
      dir.write("out.txt", {});
      const std::string outPath = dir.path("out.txt").string();
      strace.stdoutPath = outPath.c_str();
      EXPECT_EQ(dir.run(failed, strace).status, 255);
      const Bytes out = dir.read("out.txt");
      EXPECT_TRUE(std::string(out.begin(), out.end()).ends_with("not read src file\n"));
      written[dump] = dir.read("in.WAV");
    }
    EXPECT_GT(written[1].size(), 44u + 0x100000);  // more than a window's worth was read
    EXPECT_TRUE(written[0] == written[1]) << written[0].size() << " bytes, without windows " << written[1].size();
  }
}

// Output files are cut to nothing only when they hold something: on ext4 a file that
// was truncated makes its close wait until every block written since is allocated.
// Either way the WAV is the same.
TEST(Hostile, OnlyOutputsThatHoldBytesAreTruncated) {
  if (!straceWorks()) GTEST_SKIP() << "strace cannot trace the binary here";
  const Bytes input = music(5, 4096) + music(6, 4096);
  const struct {
    const char* what;
    int oldBytes;  // -1: no file of the output's name
    size_t truncations;
  } rows[] = {{"a new file", -1, 0}, {"an empty file", 0, 0}, {"a file of one byte", 1, 1}, {"a file of 60 KiB", 60 * 1024, 1}};
  Bytes first;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Scratch dir;
    dir.write("in.raw", input);
    if (row.oldBytes >= 0) dir.write("in.WAV", Bytes(static_cast<size_t>(row.oldBytes), 0x5A));
    RunSurroundings strace;
    strace.binary = "env";
    strace.stdoutPath = "/dev/null";
    const std::vector<std::string> traced =
        underStrace({"-f", "-o", dir.path("trace.txt").string(), "-e", "trace=ftruncate"}, {"in.raw", "0x800"});
    ASSERT_EQ(dir.run(traced, strace).status, 0);
    const Bytes log = dir.read("trace.txt");
    std::istringstream lines(std::string(log.begin(), log.end()));
    size_t toNothing = 0;
    for (std::string line; std::getline(lines, line);) toNothing += line.find("ftruncate(") != std::string::npos && line.find(", 0)") != std::string::npos;
    EXPECT_EQ(toNothing, row.truncations);
    const Bytes wav = dir.read("in.WAV");
    if (first.empty()) first = wav;
    EXPECT_EQ(wav.size(), 44 + input.size() / 16 * 28 * 2);  // every frame of both blocks, 2 bytes a sample
    EXPECT_TRUE(wav == first);
  }
}

}  // namespace
