#include "probe/probe_report.h"

#include <cstdio>

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

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\', out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::vector<std::string> suggestedCommand(const ProbeInput& in, const ProbeFindings& f) {
  const LayoutCandidate& layout = chosenLayout(f.layout);
  const int64_t start = f.layout.start;
  std::vector<std::string> args = {in.name, hex(f.tracks.commandBlock)};
  if (start != 0) args.push_back("-h" + hex(start));
  if (soundEnd(f) < wholeFramesEnd(in, start)) args.push_back("-b" + hex(soundEnd(f)));
  if (layout.channels == 1) args.push_back("-o1");
  if (f.rate > 0) args.push_back("-f" + std::to_string(f.rate));
  // Type 5 takes a parameter that it does not use; talvimo wants one all the same.
  const int type = f.tracks.archiveType;
  if (type != kOneStream) args.push_back("-t" + std::to_string(type) + (type == kFlaggedFrameCuts ? ",0" : ""));
  if (f.tracks.minimumSize > 0) args.push_back("-m" + hex(f.tracks.minimumSize));
  return args;
}

namespace {

// The lines of one region: where it lies, its layout, its tracks and its command.
std::string regionLines(const ProbeInput& in, const ProbeFindings& f, bool first, bool last) {
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
  std::string command = "talvimo";
  for (const std::string& arg : suggestedCommand(in, f)) command += " " + arg;
  return out + line("command", command);
}

// The keys of one region, without braces.
std::string regionKeys(const ProbeInput& in, const ProbeFindings& f) {
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
  out += ", \"command\": [";
  const std::vector<std::string> command = suggestedCommand(in, f);
  for (size_t i = 0; i < command.size(); ++i) out += (i ? ", " : "") + jsonString(command[i]);
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
  std::string out = line("input", std::string(in.name) + " (" + std::to_string(in.length) + " bytes)" +
                                      (count > 1 ? ", " + std::to_string(count) + " regions of sound" : ""));
  for (size_t r = 0; r < count; ++r) {
    if (count > 1) out += line("region", std::to_string(r + 1) + " of " + std::to_string(count));
    out += regionLines(in, regions[r], r == 0, r + 1 == count);
  }
  return out;
}

std::string jsonReport(const ProbeInput& in, const std::vector<ProbeFindings>& regions) {
  std::string out = "{\"input\": " + jsonString(in.name) + ", \"length\": " + std::to_string(in.length);
  out += ", " + regionKeys(in, regions.front()) + ", \"regions\": [";
  for (size_t r = 0; r < regions.size(); ++r) out += std::string(r ? ", " : "") + "{" + regionKeys(in, regions[r]) + "}";
  return out + "]}\n";
}
