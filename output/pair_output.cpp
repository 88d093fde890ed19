#include "output/pair_output.h"

#include "output/output_name.h"
#include "output/wav_writer.h"
#include "run/console.h"

// The life of a decode window. Pairs are taken into the filling window, undecoded. When
// it is full, it is handed to the workers to decode (startWindow), and pairs go into the
// other window meanwhile. When that one is full in turn, the first is finished (its
// decode waited for and checked: finishWindow), the second handed to the workers, and
// the first written out (finishedWindowPair, releaseWindow) while they work. A pair that
// cannot wait (its samples are not simply its own blocks' decode) is written from the
// pair buffers once every waiting pair before it is written. The console text held
// behind pairs is printed as they are written.
namespace {

// Dump lines print every frame as it is read, and check mode writes no pairs: nothing
// waits then.
bool usesWindows(const RunState& s) { return !s.settings.DumpMode && !s.settings.checkMode; }

// A pair is written: the text that waited for it is printed. (A write that failed has
// been reported, and the text after it dropped.)
int pairWritten(RunState& s, int result) {
  if (result != 0) return -1;
  s.run.pairsWritten += 1;
  printHeldText(s);
  return 0;
}

// Writes out the pairs of the window finishWindow returned, in order, and releases it.
int writeFinishedWindow(RunState& s, int32_t pairs) {
  int result = 0;
  for (int32_t p = 0; p < pairs && result == 0; ++p) {
    const WindowPair pair = finishedWindowPair(s.decode, p);
    result = pairWritten(s, appendPairSamples(s, pair.first, pair.second, pair.count));
  }
  releaseWindow(s.decode);
  return result;
}

// Hands the filling window to the workers; the one they were decoding is then written
// out while they work (it must be done first: the new window goes on from its end).
int rotateWindows(RunState& s) {
  const int32_t pairs = windowIsDecoding(s.decode) ? finishWindow(s.decode) : -1;
  if (windowIsFilling(s.decode)) startWindow(s.decode);
  return pairs < 0 ? 0 : writeFinishedWindow(s, pairs);
}

}  // namespace

int writeWaitingPairs(RunState& s) {
  if (s.run.outputFailed) return -1;  // the pairs after a failed write are never written
  if (rotateWindows(s) != 0) return -1;
  if (windowIsDecoding(s.decode)) return writeFinishedWindow(s, finishWindow(s.decode));
  return 0;
}

int flushPair(RunState& s, int32_t count) {
  s.run.pairsHandedOver += 1;
  if (usesWindows(s)) {
    const bool mono = s.settings.channelCount == 1;
    if (takeIntoWindow(s.decode, count, mono)) return 0;
    if (windowIsFilling(s.decode)) {
      // The window is full: it starts to decode, and the pair goes into the other.
      if (rotateWindows(s) != 0) return -1;
      if (takeIntoWindow(s.decode, count, mono)) return 0;
    }
  }
  if (writeWaitingPairs(s) != 0) return -1;
  return pairWritten(s, appendPairEntries(s, settledBuffers(s.decode), count));
}

int openSegmentOutput(RunState& s) {
  if (s.settings.archiveType != kNoValue) setFileNumberDigits(s);
  if (s.settings.checkMode) return 0;
  return createWav(s);
}

int rewindOutput(RunState& s) {
  if (!s.run.outputOpen || s.settings.checkMode) return 0;
  if (writeWaitingPairs(s) != 0) return -1;
  return rewindWav(s);
}

int writeWavHeader(RunState& s) {
  if (s.settings.checkMode) return 0;
  if (writeWaitingPairs(s) != 0) return -1;
  return finishWav(s);
}
