// The sample archive in the repo converts into valid WAV files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/frames.h"

namespace {

Bytes sampleArchive() {
  std::ifstream in(TALVIMO_SAMPLE, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(SampleArchive, ConvertsToOneValidWav) {
  Scratch dir;
  const Bytes archive = sampleArchive();
  ASSERT_EQ(archive.size() % 0x1000, 0u);
  dir.write("demo.raw", archive);
  const RunResult r = dir.run({"demo.raw", "0x800"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "BlockSize:2048\ndemo.WAV\n");
  const Wav wav = parseWav(dir.read("demo.WAV"));
  // 3584 stereo sample frames of 4 bytes per 4096-byte pair.
  EXPECT_EQ(wav.dataSize, archive.size() / 0x1000 * 3584 * 4);
  EXPECT_EQ(wav.samples.size() * 2, wav.dataSize);

  // Python's wave module reads it as a valid 16-bit stereo 48000 Hz file.
  if (std::system("python3 -c 'import wave' 2>/dev/null") != 0) GTEST_SKIP() << "python3 is not installed";
  const std::string check = "python3 -c \"import wave; w = wave.open('" + dir.path("demo.WAV").string() +
                            "'); assert (w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes()) == "
                            "(2, 2, 48000, " + std::to_string(wav.dataSize / 4) + ")\"";
  EXPECT_EQ(std::system(check.c_str()), 0);
}

TEST(SampleArchive, MarkerTypeCutsItIntoItsThreeTracks) {
  Scratch dir;
  dir.write("demo.raw", sampleArchive());
  const RunResult r = dir.run({"demo.raw", "0x800", "-t1", "-v"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "BlockSize:2048\nType:1\nverbose\n"
            "demo_0000.WAV : 0x00000000 : 0x0001B000\n"
            "demo_0001.WAV : 0x0001B000 : 0x0002F000\n"
            "demo_0002.WAV : 0x0002F000 : 0x00051000\n"
            "demo_0002.WAV");
  // Together the three files hold exactly what the single conversion holds.
  ASSERT_EQ(dir.run({"demo.raw", "0x800"}).status, 0);
  std::vector<int16_t> all;
  for (const char* name : {"demo_0000.WAV", "demo_0001.WAV", "demo_0002.WAV"}) {
    const std::vector<int16_t> part = parseWav(dir.read(name)).samples;
    all.insert(all.end(), part.begin(), part.end());
  }
  EXPECT_EQ(all, parseWav(dir.read("demo.WAV")).samples);
}

}  // namespace
