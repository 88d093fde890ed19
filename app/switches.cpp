#include "app/switches.h"

#include <cstdio>

#include "app/numbers.h"

namespace {

bool isBlankOrEnd(char c) { return c == ' ' || c == '\0'; }

bool isByte(int32_t value) { return value >= 0 && value <= 255; }

void echoDecimal(const RunState& s, const char* label, int32_t value) {
  echoText(s.console, label);
  echoNumber(s.console, value, 8, kEchoDecimal);
  echoText(s.console, "\n");
}

void echoHexByte(const RunState& s, const char* label, int32_t value) {
  echoText(s.console, label);
  echoNumber(s.console, value, 2, kEchoHex);
  echoText(s.console, "\n");
}

// The text after the first ',' of a value; nullptr when a blank or the end comes first.
const char* findParameter(const char* text) {
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == ',') return p + 1;
    if (isBlankOrEnd(p[1])) return nullptr;
  }
  return nullptr;
}

// Types 3 and 5: -t3,N. One number after the comma, and no second comma.
int parseNumParameter(RunState& s, const char* value) {
  const char* parameter = findParameter(value);
  if (parameter == nullptr || *parameter == '\0') return -1;
  s.Num = readOptionValue(parameter);
  echoText(s.console, " Num:");
  echoNumber(s.console, s.Num, 8, kEchoHex);
  echoText(s.console, "\n");
  for (const char* p = parameter;; ++p) {
    if (*p == ',') return -1;
    if (isBlankOrEnd(p[1])) return 0;
  }
}

// Type 4: -t4,b0,b1,... up to 16 byte values, the signature to cut at.
int parseSignature(RunState& s, const char* value) {
  const char* place = findParameter(value);
  if (place == nullptr) return -1;
  int32_t count = 0;
  for (int j = 0; j < 16 && count == 0; ++j) {
    if (*place == '\0') return -1;  // the list ends in ','
    s.ChkStrings[j] = static_cast<uint8_t>(readOptionValue(place));
    std::fprintf(s.console, "%x,", s.ChkStrings[j]);
    for (const char* p = place;; ++p) {
      if (*p == ',') {
        place = p + 1;
        break;
      }
      if (isBlankOrEnd(p[1])) {
        count = j + 1;
        break;
      }
    }
  }
  if (count == 0) return -1;  // more than 16 values
  s.checkCount = count;
  echoText(s.console, "ChkStrings:");
  for (int j = 0; j < count; ++j) {
    echoNumber(s.console, s.ChkStrings[j], 8, kEchoHex);
    echoText(s.console, ",");
  }
  echoNumber(s.console, count, 8, kEchoHex);
  echoText(s.console, "\n");
  return 0;
}

int parseArchiveType(RunState& s, const char* value) {
  s.archiveType = readOptionValue(value);
  echoText(s.console, "Type:");
  echoNumber(s.console, s.archiveType, 8, kEchoDecimal);
  switch (s.archiveType) {
    case 0:
    case 1:
    case 2:
      echoText(s.console, "\n");
      return 0;
    case 3:
    case 5:
      return parseNumParameter(s, value);
    case 4:
      return parseSignature(s, value);
    default:
      return -1;
  }
}

int parseChannelMode(RunState& s, const char* value) {
  s.channelCount = static_cast<int16_t>(static_cast<uint16_t>(readOptionValue(value)));
  if (s.channelCount == 1) {
    echoText(s.console, "mono out\n");
  } else if (s.channelCount == 2) {
    echoText(s.console, "stereo out \n");
  } else {
    return -1;
  }
  return 0;
}

int parseSwitch(RunState& s, char letter, const char* value) {
  switch (letter) {
    case 'b':
      s.BottomSize = readOptionValue(value);
      echoDecimal(s, "BottomSize:", s.BottomSize);
      return 0;
    case 'c':
      s.checkMode = 1;
      return 0;
    case 'd':
      s.DumpMode = 1;
      echoText(s.console, "DumpMode\n");
      return 0;
    case 'e':
      s.ProcEndType = readOptionValue(value);
      echoHexByte(s, "ProcEndType:", s.ProcEndType);
      return isByte(s.ProcEndType) ? 0 : -1;
    case 'f':
      s.frequency = readOptionValue(value);
      echoDecimal(s, "frequency:", s.frequency);
      return 0;
    case 'h':
      // A negative start would read from offset 0 while reporting other offsets.
      s.HeadSkipSize = readOptionValue(value);
      echoDecimal(s, "HeadSkipSize:", s.HeadSkipSize);
      return s.HeadSkipSize < 0 ? -1 : 0;
    case 'm':
      s.FileMinimunSize = readOptionValue(value);
      echoDecimal(s, "FileMinimunSize:", s.FileMinimunSize);
      return 0;
    case 'n':
      s.fileNumber = readOptionValue(value);
      echoDecimal(s, "StartFileNo:", s.fileNumber);
      return 0;
    case 'o':
      return parseChannelMode(s, value);
    case 'r':
      s.LRChange = 1;
      echoText(s.console, "LRChange\n");
      return 0;
    case 's':
      // A negative skip would send the scan back over the same pair forever.
      s.SkipSize = readOptionValue(value);
      echoDecimal(s, "SkipSize:", s.SkipSize);
      return s.SkipSize < 0 ? -1 : 0;
    case 't':
      return parseArchiveType(s, value);
    case 'v':
      s.verbose = 1;
      echoText(s.console, "verbose\n");
      return 0;
    case 'x':
      s.NonDecodeType = readOptionValue(value);
      echoHexByte(s, "NonDecodeType:", s.NonDecodeType);
      return isByte(s.NonDecodeType) ? 0 : -1;
    default:
      return -1;
  }
}

char lowerCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

int parseOptions(RunState& s, char** argv, int first, int argc) {
  for (int i = first; i < argc; ++i) {
    const char* argument = argv[i];
    if (argument[0] != '-') continue;
    if (argument[1] == '\0') return -1;
    if (parseSwitch(s, lowerCase(argument[1]), argument + 2) != 0) return -1;
  }
  return 0;
}
