// The command line through the real binary: usage, block size and every switch, with
// their echo lines and results.
#include <gtest/gtest.h>

#include "support/frames.h"

namespace {

const char* const kUsageText =
    "Talvimo Ver 0.14\n"
    "Usage:[Input FileName] [Block Size (Max 0x8000)]\n"
    "Switch\n"
    "  -f\tfrequency\t\t(default 48000 hz)\n"
    "  -o\tch mode 1:mono 2:stereo\t(default stereo)\n"
    "  -s\tdata skip size\n"
    "  -h\tstart size\n"
    "  -b\tbottom size\n"
    "  -m\tout file minimum size\n"
    "  -t\t[archive type]\n"
    "  -n\tnumbering start no\n"
    "  -c\tfile check mode\n"
    "  -d\tdump mode\n"
    "  -x\tNon Decode Type\n"
    "  -e\tProc End Type\n"
    "  -r\tL <-> R Change\n"
    "  -v\tverbose mode\n";

TEST(CommandLine, UsageWithFewerThanTwoArguments) {
  Scratch dir;
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"in.raw"}}) {
    const RunResult r = dir.run(args);
    EXPECT_EQ(r.out, kUsageText);
    EXPECT_EQ(r.status, 255);
  }
}

struct EchoCase {
  std::vector<std::string> args;  // after the input name
  std::string out;
  int status;
};

// An empty input: the run echoes its settings and ends at once without an output.
TEST(CommandLine, EchoAndResultOfEverySwitch) {
  const std::string ok = "BlockSize:16\n";
  const EchoCase cases[] = {
      // Block size.
      {{"0x800"}, "BlockSize:2048\n", 0},
      {{"2048"}, "BlockSize:2048\n", 0},
      {{"0x8000"}, "BlockSize:32768\n", 0},
      {{"0x8001"}, "BlockSize:32769\n", 255},
      {{"0"}, "BlockSize:0\n", 255},
      {{"0xFFFFFFFF"}, "BlockSize:-1\n", 255},
      {{"0x80000000"}, "BlockSize:-2147483648\n", 255},
      {{"-16"}, "", 255},
      {{"10x"}, "BlockSize:16\n", 0},
      {{"1a"}, "BlockSize:20\n", 0},
      {{"3,16"}, "BlockSize:3\n", 0},
      // Decimal settings, and readOptionValue's surprises.
      {{"16", "-F32000"}, ok + "frequency:32000\n", 0},
      {{"16", "-f32000"}, ok + "frequency:32000\n", 0},
      {{"16", "-f1a"}, ok + "frequency:20\n", 0},
      {{"16", "-f10x"}, ok + "frequency:16\n", 0},
      {{"16", "-f3,16"}, ok + "frequency:3\n", 0},
      {{"16", "-f-5"}, ok + "frequency:5\n", 0},
      {{"16", "-f0xFFFFFFFF"}, ok + "frequency:-1\n", 0},
      {{"16", "-f0x80000000"}, ok + "frequency:-2147483648\n", 0},
      {{"16", "-f12345678901234567"}, ok + "frequency:1015724736\n", 0},  // the first 16 characters, wrapped
      {{"16", "-f0X10"}, ok + "frequency:16\n", 0},       // an upper-case X makes hexadecimal too
      {{"16", "-f12\xFF" "34"}, ok + "frequency:12\n", 0},  // a byte 0xFF ends the value
      {{"16", "-f12\xFE" "34"}, ok + "frequency:1234\n", 0},  // 0xFE is passed over like any non-digit
      {{"16", "-b0x1000"}, ok + "BottomSize:4096\n", 0},
      {{"16", "-m100"}, ok + "FileMinimunSize:100\n", 0},
      {{"16", "-N0x1A"}, ok + "StartFileNo:26\n", 0},
      {{"16", "-n0"}, ok + "StartFileNo:0\n", 0},
      {{"16", "-n0xFFFF"}, ok + "StartFileNo:65535\n", 0},
      {{"16", "-n0x10000"}, ok + "StartFileNo:65536\n", 255},
      {{"16", "-t2", "-n0x10000"}, ok + "Type:2\nStartFileNo:65536\n", 255},
      {{"16", "-n0xFFFFFFFF"}, ok + "StartFileNo:-1\n", 255},
      {{"16", "-s0x800"}, ok + "SkipSize:2048\n", 0},
      {{"16", "-s0xFFFFF000"}, ok + "SkipSize:-4096\n", 255},
      {{"16", "-H256"}, ok + "HeadSkipSize:256\n", 0},
      {{"16", "-h0"}, ok + "HeadSkipSize:0\n", 0},
      {{"16", "-s0"}, ok + "SkipSize:0\n", 0},
      {{"16", "-h0xFFFFFFFF"}, ok + "HeadSkipSize:-1\n", 255},
      // Byte settings.
      {{"16", "-x0C"}, ok + "NonDecodeType:0x0C\n", 0},
      {{"16", "-X0x0c"}, ok + "NonDecodeType:0x0C\n", 0},
      {{"16", "-x256"}, ok + "NonDecodeType:0x00\n", 255},
      {{"16", "-x0xFF"}, ok + "NonDecodeType:0xFF\n", 0},
      {{"16", "-x0xFFFFFFFF"}, ok + "NonDecodeType:0xFF\n", 255},
      {{"16", "-x0"}, ok + "NonDecodeType:0x00\n", 0},
      {{"16", "-e0xFF"}, ok + "ProcEndType:0xFF\n", 0},
      {{"16", "-e0xFFFFFFFF"}, ok + "ProcEndType:0xFF\n", 255},
      {{"16", "-e07"}, ok + "ProcEndType:0x07\n", 0},
      {{"16", "-E0x100"}, ok + "ProcEndType:0x00\n", 255},
      // Flags.
      {{"16", "-d"}, ok + "DumpMode\nFF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n", 0},
      {{"16", "-r"}, ok + "LRChange\n", 0},
      {{"16", "-V"}, ok + "verbose\n", 0},
      {{"16", "-c"}, ok + "in.WAVSC.TXT\n", 0},
      // Channel mode.
      {{"16", "-o1"}, ok + "mono out\n", 0},
      {{"16", "-O2"}, ok + "stereo out \n", 0},
      {{"16", "-o3"}, ok, 255},
      {{"16", "-o65537"}, ok + "mono out\n", 0},
      // Archive types.
      {{"16", "-t0"}, ok + "Type:0\n", 0},
      {{"16", "-T1"}, ok + "Type:1\n", 0},
      {{"16", "-t2,5"}, ok + "Type:2\n", 0},
      {{"16", "-t3,20"}, ok + "Type:3 Num:0x00000014\n", 0},
      {{"16", "-t3,0x10"}, ok + "Type:3 Num:0x00000010\n", 0},
      {{"16", "-t3"}, ok + "Type:3", 255},
      {{"16", "-t3,"}, ok + "Type:3", 255},
      {{"16", "-t3,1,2"}, ok + "Type:3 Num:0x00000001\n", 255},
      {{"16", "-t3 ,1"}, ok + "Type:3", 255},
      {{"16", "-t5,7"}, ok + "Type:5 Num:0x00000007\n", 0},
      {{"16", "-t5,"}, ok + "Type:5", 255},
      {{"16", "-t6"}, ok + "Type:6", 255},
      {{"16", "-t0xFFFFFFFF"}, ok + "Type:-1", 255},
      {{"16", "-t4,0C,00"}, ok + "Type:4c,0,ChkStrings:0x0000000C,0x00000000,0x00000002\n", 0},
      {{"16", "-t4,0x80,0xff"}, ok + "Type:480,ff,ChkStrings:0x00000080,0x000000FF,0x00000002\n", 0},
      {{"16", "-t4,10"}, ok + "Type:4a,ChkStrings:0x0000000A,0x00000001\n", 0},
      {{"16", "-t4,FF"}, ok + "Type:4a5,ChkStrings:0x000000A5,0x00000001\n", 0},
      {{"16", "-t4,0x10"}, ok + "Type:410,ChkStrings:0x00000010,0x00000001\n", 0},
      {{"16", "-t4,0C,"}, ok + "Type:4c,", 255},
      {{"16", "-t4,"}, ok + "Type:4", 255},
      {{"16", "-t4"}, ok + "Type:4", 255},
      {{"16", "-t4,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16"},
       ok + "Type:41,2,3,4,5,6,7,8,9,a,b,c,d,e,f,10,ChkStrings:0x00000001,0x00000002,0x00000003,0x00000004,"
            "0x00000005,0x00000006,0x00000007,0x00000008,0x00000009,0x0000000A,0x0000000B,0x0000000C,0x0000000D,"
            "0x0000000E,0x0000000F,0x00000010,0x00000010\n",
       0},
      {{"16", "-t4,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17"}, ok + "Type:41,2,3,4,5,6,7,8,9,a,b,c,d,e,f,10,", 255},
      // Unknown letters, a bare '-', words without '-', and the stop at the first error.
      {{"16", "-q"}, ok, 255},
      {{"16", "-"}, ok, 255},
      {{"16", "junk", "-f100"}, ok + "frequency:100\n", 0},
      {{"16", "-f100", "-o3", "-f200"}, ok + "frequency:100\n", 255},
      {{"16", "-q", "-f100"}, ok, 255},
  };
  Scratch dir;
  dir.write("in.raw", {});
  for (const EchoCase& c : cases) {
    std::vector<std::string> args = {"in.raw"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::string shown;
    for (const std::string& a : c.args) shown += a + " ";
    SCOPED_TRACE(shown);
    const RunResult r = dir.run(args);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.status, c.status);
  }
}

TEST(CommandLine, RejectedSwitchCreatesNoFile) {
  Scratch dir;
  dir.write("in.raw", repeat(loud(), 8));
  for (const char* bad : {"-o3", "-t6", "-x256", "-s0xFFFFF000", "-q"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(dir.run({"in.raw", "16", "-c", "-t1", bad}).status, 255);
    EXPECT_EQ(dir.files(), std::vector<std::string>{"in.raw"});
  }
}

}  // namespace
