#include "app/output_name.h"

#include <cstring>
#include <string_view>

void buildOutputNames(RunState& s, const char* inputArgument) {
  const std::string_view argument(inputArgument);
  // A backslash or ':' ends a directory (or drive) that is dropped; the first character
  // is never examined.
  size_t baseStart = 0;
  for (size_t i = argument.size(); i-- > 1;) {
    if (argument[i] == '\\' || argument[i] == ':') {
      baseStart = i + 1;
      break;
    }
  }
  const std::string_view base = argument.substr(baseStart);
  const size_t slash = base.rfind('/');
  const size_t fileStart = slash == std::string_view::npos ? 0 : slash + 1;

  std::string name(base.substr(0, fileStart));
  for (size_t i = fileStart; i < base.size() && base[i] != '.' && i - fileStart < kMaxBaseCharacters; ++i) {
    name += base[i];
  }
  s.digitIndex = name.size() + 1;
  if (s.archiveType != kNoValue) name += "_0000";
  name += ".WAV";

  const std::string_view fileName = std::string_view(name).substr(fileStart);
  s.listName.assign(name, 0, fileStart);
  s.listName += fileName.substr(0, 6);
  s.listName += "SC.TXT";
  s.outputName = std::move(name);
}

void setFileNumberDigits(RunState& s) {
  const uint32_t number = static_cast<uint32_t>(s.fileNumber);
  for (int i = 0; i < 4; ++i) {
    s.outputName[s.digitIndex + static_cast<size_t>(i)] = "0123456789ABCDEF"[(number >> (12 - 4 * i)) & 0xF];
  }
}
