#include "probe/probe_report.h"

#include <cstdio>

#include "probe/audio_extent.h"

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
    case 1: return "marker frames at pair starts";
    case 2: return "empty frames";
    case 5: return "frames with a flag byte";
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

std::vector<std::string> suggestedCommand(const ProbeState& p) {
  const LayoutCandidate& layout = chosenLayout(p);
  std::vector<std::string> args = {p.inputName, hex(p.tracks.commandBlock)};
  if (p.start != 0) args.push_back("-h" + hex(p.start));
  if (p.end < wholeFramesEnd(p)) args.push_back("-b" + hex(p.end));
  if (layout.channels == 1) args.push_back("-o1");
  // Type 5 takes a parameter that it does not use; talvimo wants one all the same.
  if (p.tracks.archiveType >= 0) args.push_back("-t" + std::to_string(p.tracks.archiveType) + (p.tracks.archiveType == 5 ? ",0" : ""));
  if (p.tracks.minimumSize > 0) args.push_back("-m" + hex(p.tracks.minimumSize));
  return args;
}

std::string textReport(const ProbeState& p) {
  const LayoutCandidate& layout = chosenLayout(p);
  std::string out = line("input", std::string(p.inputName) + " (" + std::to_string(p.inputLength) + " bytes)");
  out += line("start", hex(p.start) + (p.start == 0 ? "" : " (a header of " + std::to_string(p.start) + " bytes)"));
  out += line("end", hex(p.end) + (p.end < wholeFramesEnd(p) ? " (" + std::to_string(p.inputLength - p.end) +
                                                                     " bytes of other data follow)" : ""));
  out += line("layout", layoutName(layout) + ", confidence " + percent(layout.confidence));
  std::string others;
  for (int i = 1; i < p.candidateCount; ++i) {
    others += (i > 1 ? "; " : "") + layoutName(p.candidates[i]) + " " + percent(p.candidates[i].confidence);
  }
  if (!others.empty()) out += line("or else", others);
  out += line("tracks", std::to_string(p.tracks.tracks) + ", " + typeName(p.tracks.archiveType) +
                            (p.tracks.archiveType >= 0 ? " (archive type " + std::to_string(p.tracks.archiveType) + ")" : ""));
  std::string command = "talvimo";
  for (const std::string& arg : suggestedCommand(p)) command += " " + arg;
  return out + line("command", command);
}

std::string jsonReport(const ProbeState& p) {
  const LayoutCandidate& layout = chosenLayout(p);
  std::string out = "{\"input\": " + jsonString(p.inputName) + ", \"length\": " + std::to_string(p.inputLength);
  out += ", \"channels\": " + std::to_string(layout.channels);
  out += ", \"block_size\": " + (layout.channels == 2 ? std::to_string(layout.blockSize) : std::string("null"));
  out += ", \"confidence\": " + jsonNumber(layout.confidence);
  out += ", \"start\": " + std::to_string(p.start) + ", \"end\": " + std::to_string(p.end);
  out += ", \"archive_type\": " + (p.tracks.archiveType >= 0 ? std::to_string(p.tracks.archiveType) : std::string("null"));
  out += ", \"minimum_size\": " + std::to_string(p.tracks.minimumSize);
  out += ", \"tracks\": " + std::to_string(p.tracks.tracks);
  out += ", \"command\": [";
  const std::vector<std::string> command = suggestedCommand(p);
  for (size_t i = 0; i < command.size(); ++i) out += (i ? ", " : "") + jsonString(command[i]);
  out += "], \"candidates\": [";
  for (int i = 0; i < p.candidateCount; ++i) {
    const LayoutCandidate& c = p.candidates[i];
    out += std::string(i ? ", " : "") + "{\"channels\": " + std::to_string(c.channels) + ", \"block_size\": " +
           (c.channels == 2 ? std::to_string(c.blockSize) : std::string("null")) + ", \"confidence\": " +
           jsonNumber(c.confidence) + ", \"score\": " + jsonNumber(c.score) + "}";
  }
  return out + "]}\n";
}
