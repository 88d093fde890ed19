#include "output/list_file.h"

#include <cstdio>

#include "app/numbers.h"
#include "output/output_file.h"

namespace {

int reportListFailure(RunState& s) {
  echoText(s.console, "not write script file\n");
  s.outputFailed = 1;
  return -1;
}

void putHex(char*& at, uint32_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i) *at++ = "0123456789ABCDEF"[(value >> (4 * i)) & 0xF];
}

}  // namespace

int openListFile(RunState& s) {
  s.list = createOutputFile(s, s.listName.c_str());
  echoText(s.console, s.listName.c_str());
  echoText(s.console, "\n");
  return s.list == nullptr ? reportListFailure(s) : 0;
}

int writeListLine(RunState& s, int64_t start) {
  const int64_t end = s.readPosition - 16;
  const uint32_t fields[3] = {static_cast<uint32_t>(start), static_cast<uint32_t>(end),
                              static_cast<uint32_t>(end - start)};
  char line[48];
  char* at = line;
  putHex(at, static_cast<uint32_t>(s.fileNumber), 4);
  for (uint32_t field : fields) {
    *at++ = '\t';
    *at++ = '0';
    *at++ = 'x';
    putHex(at, field, 8);
  }
  *at++ = '\r';
  *at++ = '\n';
  const size_t length = static_cast<size_t>(at - line);
  return std::fwrite(line, 1, length, s.list) == length ? 0 : reportListFailure(s);
}

int terminateList(RunState& s) {
  const bool written = std::fputc(0x1A, s.list) != EOF;
  const bool closed = std::fclose(s.list) == 0;
  s.list = nullptr;
  return written && closed ? 0 : reportListFailure(s);
}
