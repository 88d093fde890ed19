#include "probe/probe_report.h"

#include <cstdio>

#include "platform/shell.h"
#include "probe/command_plan.h"
#include "probe/sound_regions.h"

namespace {

std::string hex(int64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string percent(double share) {
  char text[16];
  std::snprintf(text, sizeof text, "%.0f %%", share * 100.0);
  return text;
}

std::string layoutName(const LayoutCandidate& c) {
  return c.channels == 1 ? "mono" : "stereo, blocks of " + hex(c.blockSize);
}

std::string jsonNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

const char* typeName(int type) {
  switch (type) {
    case kMarkerTracks: return "marker frames at pair starts";
    case kEmptyFrameCuts: return "empty frames";
    case kFlaggedFrameCuts: return "frames with a flag byte";
    default: return "one stream";
  }
}

std::string line(const char* label, const std::string& text) {
  char head[16];
  std::snprintf(head, sizeof head, "%-12s", label);
  return head + text + "\n";
}

}  // namespace

namespace {

// The length of the UTF-8 sequence at text[at], or 0 where the bytes there are none.
size_t utf8Sequence(const std::string& text, size_t at) {
  const auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
  const unsigned lead = byte(at);
  size_t length;
  unsigned value, least;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) length = 2, value = lead & 0x1F, least = 0x80;
  else if ((lead & 0xF0) == 0xE0) length = 3, value = lead & 0x0F, least = 0x800;
  else if ((lead & 0xF8) == 0xF0) length = 4, value = lead & 0x07, least = 0x10000;
  else return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = value << 6 | (byte(at + i) & 0x3F);
  }
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  return value < least || value > 0x10FFFF || surrogate ? 0 : length;
}

}  // namespace

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  char escaped[8];
  for (size_t at = 0; at < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    const size_t length = utf8Sequence(text, at);
    if (length == 0) {
      // Not UTF-8 (a name is bytes): the byte as a lone surrogate, U+DC80..U+DCFF, as
      // Python's "surrogateescape" writes it, so that it can be got back.
      std::snprintf(escaped, sizeof escaped, "\\udc%02x", c);
      out += escaped;
      at += 1;
    } else if (c == '"' || c == '\\') {
      out += '\\', out += static_cast<char>(c);
      at += 1;
    } else if (c < 0x20) {
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
      at += 1;
    } else {
      out.append(text, at, length);
      at += length;
    }
  }
  return out + "\"";
}

namespace {

// Why a copy of the input is converted, and from where.
std::string copyReason(CopyReason why, const InputCopy& copy, bool crossed) {
  if (why == CopyReason::kFileNumbers) {
    return "talvimo numbers at most 65536 files of one name (_0000 to _FFFF): the files from " + hex(copy.from) +
           " on are converted from " + copy.name + ", a copy of the input from there";
  }
  return "talvimo reads no byte of a file at or past 0x7FFFFFFF: the sound from " + hex(copy.from) + " on is converted from " +
         copy.name + ", a copy of the input from there" +
         (crossed ? " (the track that crosses the limit is written as two files, parted there)" : "");
}

// The lines of one region: where it lies, its layout, its tracks and its command.
// `copies` counts the copies made by the lines before.
std::string regionLines(const ProbeInput& in, const ProbeFindings& f, const CommandPlan& plan,
                        const std::vector<TalvimoRun>& runs, int& copies, bool first, bool last) {
  const LayoutCandidate& layout = chosenLayout(f.layout);
  const int64_t start = f.layout.start, end = soundEnd(f);
  const bool followed = end < wholeFramesEnd(in, start);
  std::string out = line("start", hex(start) + (first && start != 0 ? " (a header of " + std::to_string(start) + " bytes)" : ""));
  out += line("end", hex(end) + (last && followed ? " (" + std::to_string(in.length - end) + " bytes of other data follow)" : ""));
  if (f.rate > 0) out += line("rate", std::to_string(f.rate) + " Hz, from its VAGp header");
  out += line("layout", layoutName(layout) + ", confidence " + percent(layout.confidence));
  std::string others;
  for (int i = 1; i < f.layout.count; ++i) {
    others += (i > 1 ? "; " : "") + layoutName(f.layout.candidates[i]) + " " + percent(f.layout.candidates[i].confidence);
  }
  if (!others.empty()) out += line("or else", others);
  const int type = f.tracks.archiveType;
  out += line("tracks", std::to_string(f.tracks.tracks) + ", " + typeName(type) +
                            (type != kOneStream ? " (archive type " + std::to_string(type) + ")" : "") + ", confidence " +
                            percent(f.tracks.confidence));
  // Each run's command as a shell reads it back: quoted where a name needs it. (talvimo
  // takes its first argument for the input whatever it begins with, so a leading '-'
  // needs nothing.) A copy is made before the first run that reads it.
  bool crossed = false;  // the run before ended inside a track
  for (const TalvimoRun& run : runs) {
    if (run.copy >= copies) {
      copies = run.copy + 1;
      const InputCopy& copy = plan.copies[static_cast<size_t>(run.copy)];
      out += line("note", copyReason(plan.reasons[static_cast<size_t>(run.copy)], copy, crossed));
      out += line("copy", copyCommand(in, copy));
    }
    std::string command = "talvimo";
    for (const std::string& arg : runArguments(in, f, plan, run)) {
      command += ' ';
      command += shellWord(arg);
    }
    out += line("command", command);
    crossed = run.endsInsideTrack;
  }
  return out;
}

// Strings as a JSON list.
std::string jsonStrings(const std::vector<std::string>& strings) {
  std::string out = "[";
  for (size_t i = 0; i < strings.size(); ++i) out += (i ? ", " : "") + jsonString(strings[i]);
  return out + "]";
}

// The keys of one region, without braces.
std::string regionKeys(const ProbeInput& in, const ProbeFindings& f, const CommandPlan& plan, const std::vector<TalvimoRun>& runs) {
  const LayoutCandidate& layout = chosenLayout(f.layout);
  const int type = f.tracks.archiveType;
  std::string out = "\"channels\": " + std::to_string(layout.channels);
  out += ", \"block_size\": " + (layout.channels == 2 ? std::to_string(layout.blockSize) : std::string("null"));
  out += ", \"confidence\": " + jsonNumber(layout.confidence);
  out += ", \"start\": " + std::to_string(f.layout.start) + ", \"end\": " + std::to_string(soundEnd(f));
  out += ", \"archive_type\": " + (type != kOneStream ? std::to_string(type) : std::string("null"));
  out += ", \"minimum_size\": " + std::to_string(f.tracks.minimumSize);
  out += ", \"tracks\": " + std::to_string(f.tracks.tracks);
  out += ", \"tracks_confidence\": " + jsonNumber(f.tracks.confidence);
  out += ", \"command\": " + jsonStrings(runArguments(in, f, plan, runs.front()));
  out += ", \"runs\": [";
  for (size_t r = 0; r < runs.size(); ++r) {
    const TalvimoRun& run = runs[r];
    out += std::string(r ? ", " : "") + "{\"command\": " + jsonStrings(runArguments(in, f, plan, run)) +
           ", \"files\": " + std::to_string(run.files) + ", \"copy\": ";
    if (run.copy < 0) {
      out += "null}";
    } else {
      const InputCopy& copy = plan.copies[static_cast<size_t>(run.copy)];
      out += "{\"name\": " + jsonString(copy.name) + ", \"from\": " + std::to_string(copy.from) + ", \"length\": " +
             std::to_string(copy.length) + ", \"shell\": " + jsonString(copyCommand(in, copy)) + "}}";
    }
  }
  out += "], \"candidates\": [";
  for (int i = 0; i < f.layout.count; ++i) {
    const LayoutCandidate& c = f.layout.candidates[i];
    out += std::string(i ? ", " : "") + "{\"channels\": " + std::to_string(c.channels) + ", \"block_size\": " +
           (c.channels == 2 ? std::to_string(c.blockSize) : std::string("null")) + ", \"confidence\": " +
           jsonNumber(c.confidence) + ", \"score\": " + jsonNumber(c.score) + "}";
  }
  return out + "]";
}

}  // namespace

std::string textReport(const ProbeInput& in, const std::vector<ProbeFindings>& regions) {
  const size_t count = regions.size();
  CommandPlan plan;
  planCommands(in, regions, plan);
  int copies = 0;
  std::string out = line("input", std::string(in.name) + " (" + std::to_string(in.length) + " bytes)" +
                                      (count > 1 ? ", " + std::to_string(count) + " regions of sound" : ""));
  for (size_t r = 0; r < count; ++r) {
    if (count > 1) out += line("region", std::to_string(r + 1) + " of " + std::to_string(count));
    out += regionLines(in, regions[r], plan, plan.runs[r], copies, r == 0, r + 1 == count);
  }
  return out;
}

std::string jsonReport(const ProbeInput& in, const std::vector<ProbeFindings>& regions) {
  std::string out = "{\"input\": " + jsonString(in.name) + ", \"length\": " + std::to_string(in.length);
  CommandPlan plan;
  planCommands(in, regions, plan);
  out += ", " + regionKeys(in, regions.front(), plan, plan.runs.front()) + ", \"regions\": [";
  for (size_t r = 0; r < regions.size(); ++r) {
    out += std::string(r ? ", " : "") + "{" + regionKeys(in, regions[r], plan, plan.runs[r]) + "}";
  }
  return out + "]}\n";
}
