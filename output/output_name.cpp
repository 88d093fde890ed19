#include "output/output_name.h"

#include <string_view>

#include "run/console.h"

namespace {

constexpr size_t kMaxBaseCharacters = 54;

}  // namespace

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
  s.run.digitIndex = name.size() + 1;
  if (s.settings.archiveType != kNoValue) name += "_0000";
  name += ".WAV";

  const std::string_view fileName = std::string_view(name).substr(fileStart);
  s.run.listName.assign(name, 0, fileStart);
  s.run.listName += fileName.substr(0, 6);
  s.run.listName += "SC.TXT";
  s.run.outputName = std::move(name);
}

void setFileNumberDigits(RunState& s) {
  putHexDigits(&s.run.outputName[s.run.digitIndex], static_cast<uint32_t>(s.run.fileNumber), 4);
}
