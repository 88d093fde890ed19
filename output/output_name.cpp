#include "output/output_name.h"

#include <algorithm>
#include <string_view>

#include "run/console.h"

namespace {

constexpr size_t kMaxBaseCharacters = 54;
constexpr size_t kListNameCharacters = 6;  // of the output name, that begin the list file's

// Where to cut text at `cut` bytes so that no UTF-8 sequence is cut in two: before the
// sequence that `cut` falls inside, or at `cut` (always for ASCII, and for bytes that
// are no UTF-8). A name cut inside a sequence could be neither shown nor opened.
size_t wholeSequenceCut(std::string_view text, size_t cut) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto continuation = [&](size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
  if (cut >= text.size() || !continuation(cut)) return cut;
  for (size_t lead = cut; lead-- > 0 && cut - lead < 4;) {
    if (continuation(lead)) continue;
    const unsigned b = byte(lead);
    const size_t length = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (lead + length <= cut) return cut;  // no sequence that `cut` is inside
    for (size_t i = lead + 1; i < lead + length; ++i) {
      if (!continuation(i)) return cut;
    }
    return lead;
  }
  return cut;
}

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
  const std::string_view file = base.substr(fileStart);
  const size_t dot = std::min(file.find('.'), file.size());
  name += file.substr(0, dot <= kMaxBaseCharacters ? dot : wholeSequenceCut(file, kMaxBaseCharacters));
  s.run.digitIndex = name.size() + 1;
  if (s.settings.archiveType != kNoValue) name += "_0000";
  name += ".WAV";

  const std::string_view fileName = std::string_view(name).substr(fileStart);
  s.run.listName.assign(name, 0, fileStart);
  s.run.listName += fileName.substr(0, wholeSequenceCut(fileName, kListNameCharacters));
  s.run.listName += "SC.TXT";
  s.run.outputName = std::move(name);
}

void setFileNumberDigits(RunState& s) {
  putHexDigits(&s.run.outputName[s.run.digitIndex], static_cast<uint32_t>(s.run.fileNumber), 4);
}
