#include "app/switches.h"

#include <cstdio>

#include "app/option_value.h"
#include "run/console.h"

namespace {

bool isBlankOrEnd(char c) { return c == ' ' || c == '\0'; }

bool isByte(int32_t value) { return value >= 0 && value <= 255; }

void echoDecimal(RunState& s, const char* label, int32_t value) {
  echoText(s, label);
  echoNumber(s, value, 8, kEchoDecimal);
  echoText(s, "\n");
}

void echoHexByte(RunState& s, const char* label, int32_t value) {
  echoText(s, label);
  echoNumber(s, value, 2, kEchoHex);
  echoText(s, "\n");
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
  s.settings.Num = readOptionValue(parameter);
  echoText(s, " Num:");
  echoNumber(s, s.settings.Num, 8, kEchoHex);
  echoText(s, "\n");
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
  for (int j = 0; j < kSignatureBytes && count == 0; ++j) {
    if (*place == '\0') return -1;  // the list ends in ','
    s.settings.ChkStrings[j] = static_cast<uint8_t>(readOptionValue(place));
    char text[8];
    std::snprintf(text, sizeof text, "%x,", s.settings.ChkStrings[j]);
    echoText(s, text);
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
  s.settings.checkCount = count;
  echoText(s, "ChkStrings:");
  for (int j = 0; j < count; ++j) {
    echoNumber(s, s.settings.ChkStrings[j], 8, kEchoHex);
    echoText(s, ",");
  }
  echoNumber(s, count, 8, kEchoHex);
  echoText(s, "\n");
  return 0;
}

int parseArchiveType(RunState& s, const char* value) {
  s.settings.archiveType = readOptionValue(value);
  echoText(s, "Type:");
  echoNumber(s, s.settings.archiveType, 8, kEchoDecimal);
  switch (s.settings.archiveType) {
    case 0:
    case 1:
    case 2:
      echoText(s, "\n");
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
  s.settings.channelCount = static_cast<int16_t>(static_cast<uint16_t>(readOptionValue(value)));
  if (s.settings.channelCount == 1) {
    echoText(s, "mono out\n");
  } else if (s.settings.channelCount == 2) {
    echoText(s, "stereo out \n");
  } else {
    return -1;
  }
  return 0;
}

int parseSwitch(RunState& s, char letter, const char* value) {
  switch (letter) {
    case 'b':
      s.settings.BottomSize = readOptionValue(value);
      echoDecimal(s, "BottomSize:", s.settings.BottomSize);
      return 0;
    case 'c':
      s.settings.checkMode = true;
      return 0;
    case 'd':
      s.settings.DumpMode = true;
      echoText(s, "DumpMode\n");
      return 0;
    case 'e':
      s.settings.ProcEndType = readOptionValue(value);
      echoHexByte(s, "ProcEndType:", s.settings.ProcEndType);
      return isByte(s.settings.ProcEndType) ? 0 : -1;
    case 'f':
      s.settings.frequency = readOptionValue(value);
      echoDecimal(s, "frequency:", s.settings.frequency);
      return 0;
    case 'h':
      // A negative start would read from offset 0 while reporting other offsets.
      s.settings.HeadSkipSize = readOptionValue(value);
      echoDecimal(s, "HeadSkipSize:", s.settings.HeadSkipSize);
      return s.settings.HeadSkipSize < 0 ? -1 : 0;
    case 'm':
      s.settings.FileMinimunSize = readOptionValue(value);
      echoDecimal(s, "FileMinimunSize:", s.settings.FileMinimunSize);
      return 0;
    case 'n':
      // Numbered names have four hex digits: a number past them would name no file or
      // wrap onto a file the run has already written.
      s.settings.StartFileNo = readOptionValue(value);
      echoDecimal(s, "StartFileNo:", s.settings.StartFileNo);
      return s.settings.StartFileNo >= 0 && s.settings.StartFileNo < kFileNumberLimit ? 0 : -1;
    case 'o':
      return parseChannelMode(s, value);
    case 'r':
      s.settings.LRChange = true;
      echoText(s, "LRChange\n");
      return 0;
    case 's':
      // A negative skip would send the scan back over the same pair forever.
      s.settings.SkipSize = readOptionValue(value);
      echoDecimal(s, "SkipSize:", s.settings.SkipSize);
      return s.settings.SkipSize < 0 ? -1 : 0;
    case 't':
      return parseArchiveType(s, value);
    case 'v':
      s.settings.verbose = true;
      echoText(s, "verbose\n");
      return 0;
    case 'x':
      s.settings.NonDecodeType = readOptionValue(value);
      echoHexByte(s, "NonDecodeType:", s.settings.NonDecodeType);
      return isByte(s.settings.NonDecodeType) ? 0 : -1;
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
