#include "output/list_file.h"

#include <cstdio>

#include "platform/files.h"
#include "run/console.h"
#include "run/failures.h"

int openListFile(RunState& s) {
  s.run.list = createOutputFile(s.run.listName.c_str(), s.run.input);
  echoText(s, s.run.listName.c_str());
  echoText(s, "\n");
  return s.run.list == nullptr ? reportListFailure(s) : 0;
}

int writeListLine(RunState& s, int64_t start) {
  const int64_t end = s.run.readPosition - kFrameBytes;
  const uint32_t fields[3] = {static_cast<uint32_t>(start), static_cast<uint32_t>(end),
                              static_cast<uint32_t>(end - start)};
  char line[48];
  char* at = putHexDigits(line, static_cast<uint32_t>(s.run.fileNumber), 4);
  for (uint32_t field : fields) {
    *at++ = '\t';
    *at++ = '0';
    *at++ = 'x';
    at = putHexDigits(at, field, 8);
  }
  *at++ = '\r';
  *at++ = '\n';
  const size_t length = static_cast<size_t>(at - line);
  return std::fwrite(line, 1, length, s.run.list) == length ? 0 : reportListFailure(s);
}

int terminateList(RunState& s) {
  const bool written = std::fputc(0x1A, s.run.list) != EOF;
  const bool closed = std::fclose(s.run.list) == 0;
  s.run.list = nullptr;
  return written && closed ? 0 : reportListFailure(s);
}
