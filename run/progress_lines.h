// The progress lines of a verbose run, held back until the pairs read before each are
// written. Pairs are written in batches, after they are read; a line waits for its
// pairs so that it comes out exactly where a run writing every pair at once would print
// it, and not at all when one of them cannot be written.
#pragma once

#include <cstdint>
#include <cstdio>

struct ProgressLines {
  static constexpr int kCapacity = 8;  // more would mean writing pairs far behind reading
  struct Line {
    int64_t pairsBefore;  // pairs handed to the writer before the line
    int32_t length;
    char text[40];
  };
  Line lines[kCapacity];
  int32_t first = 0;  // the oldest line held
  int32_t count = 0;  // lines held
};

// Holds a line until pairsBefore pairs are written. false, and nothing held, when full.
bool holdProgressLine(ProgressLines& lines, int64_t pairsBefore, const char* text, int32_t length);

// Prints, oldest first, the lines whose pairs are all written.
void printProgressLines(ProgressLines& lines, FILE* console, int64_t pairsWritten);

// Forgets every line held: a pair before them could not be written.
void dropProgressLines(ProgressLines& lines);
