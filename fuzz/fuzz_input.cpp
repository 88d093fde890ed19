#include "fuzz/fuzz_input.h"

namespace {

// Input names: plain, dotted, with directories kept or dropped; never outside the
// scratch directory.
const char* const kNames[] = {"in.raw", "a.b.raw", "sub/x.raw", "C:\\d\\q.raw", "./y.raw", "x.WAV", "ab.WAVSC.TXT",
                              "noext", "dir/../z.raw", "sub/abcdefgh.raw"};
constexpr int kNameCount = sizeof kNames / sizeof kNames[0];

const char* const kBlockSizes[] = {"0x10", "0x20", "0x40", "0x7F8", "0x800", "0x8000", "0x8001", "0", "-16", "1a"};
constexpr int kBlockCount = sizeof kBlockSizes / sizeof kBlockSizes[0];

// Switch letters, upper and lower case, and a few that are not switches.
const char kLetters[] = "fosthbmtncdxervFOSTHBMTNCDXERVq-";
constexpr int kLetterCount = sizeof kLetters - 1;

// Names where a run may try to write, none of them an input name: a FIFO there must be
// refused at once, never waited on.
const char* const kFifoNames[] = {"in.WAV", "in_0000.WAV", "in_0001.WAV", "in_000SC.TXT", "in.WAVSC.TXT", "sub/x_0001.WAV"};
constexpr int kFifoNameCount = sizeof kFifoNames / sizeof kFifoNames[0];

}  // namespace

FuzzRun decodeFuzzInput(const uint8_t* data, size_t size) {
  size_t at = 0;
  const auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
  FuzzRun run;
  const std::string name = kNames[next() % kNameCount];
  // "dir/../z.raw" is written as dir/z.raw's sibling: its real path is z.raw.
  run.inputFile = name == "dir/../z.raw" ? "z.raw" : (name == "C:\\d\\q.raw" ? "C:\\d\\q.raw" : name);
  run.arguments = {"talvimo", name};
  const uint8_t block = next();
  if (block % 16 < kBlockCount) {
    run.arguments.push_back(kBlockSizes[block % 16]);
  } else {
    run.arguments.push_back(std::to_string(block * 16));
  }
  const int switches = next() % 10;
  for (int i = 0; i < switches; ++i) {
    const uint8_t letter = next();
    const int length = next() % 24;
    std::string text;
    if (letter < 0xF0) text = std::string("-") + kLetters[letter % kLetterCount];
    for (int j = 0; j < length; ++j) {
      const char c = static_cast<char>(next());
      text += c == '\0' ? ',' : c;
    }
    run.arguments.push_back(text);
  }
  const uint8_t extras = next();
  if (extras % 8 == 0) run.arguments.resize(2);  // now and then too few arguments
  if (extras / 8 % 4 == 1) run.fifo = kFifoNames[extras / 32 % kFifoNameCount];
  run.input.assign(data + (at < size ? at : size), data + size);
  return run;
}

std::vector<uint8_t> encodeFuzzInput(int nameChoice, int blockChoice, const std::vector<std::string>& switches,
                                     const std::vector<uint8_t>& input, int fifoChoice) {
  std::vector<uint8_t> out = {static_cast<uint8_t>(nameChoice), static_cast<uint8_t>(blockChoice),
                              static_cast<uint8_t>(switches.size())};
  for (const std::string& s : switches) {
    int letter = 0;
    while (letter < kLetterCount && kLetters[letter] != s[1]) ++letter;
    out.push_back(static_cast<uint8_t>(letter));
    out.push_back(static_cast<uint8_t>(s.size() - 2));
    out.insert(out.end(), s.begin() + 2, s.end());
  }
  // Keep the arguments (not a multiple of 8), and lay the FIFO chosen.
  out.push_back(static_cast<uint8_t>(fifoChoice < 0 ? 1 : 1 + 8 + 32 * fifoChoice));
  out.insert(out.end(), input.begin(), input.end());
  return out;
}
