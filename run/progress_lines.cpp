#include "run/progress_lines.h"

#include <cstring>

bool holdProgressLine(ProgressLines& q, int64_t pairsBefore, const char* text, int32_t length) {
  if (q.count == ProgressLines::kCapacity || length > static_cast<int32_t>(sizeof q.lines[0].text)) return false;
  ProgressLines::Line& line = q.lines[(q.first + q.count) % ProgressLines::kCapacity];
  line.pairsBefore = pairsBefore;
  line.length = length;
  std::memcpy(line.text, text, static_cast<size_t>(length));
  q.count += 1;
  return true;
}

void printProgressLines(ProgressLines& q, FILE* console, int64_t pairsWritten) {
  while (q.count > 0 && q.lines[q.first].pairsBefore <= pairsWritten) {
    const ProgressLines::Line& line = q.lines[q.first];
    std::fwrite(line.text, 1, static_cast<size_t>(line.length), console);
    q.first = (q.first + 1) % ProgressLines::kCapacity;
    q.count -= 1;
  }
}

void dropProgressLines(ProgressLines& q) {
  q.first = 0;
  q.count = 0;
}
