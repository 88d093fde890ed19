#include "probe/command_plan.h"

#include <algorithm>
#include <cstdio>

#include "platform/shell.h"
#include "probe/sound_regions.h"

namespace {

// A type 3 whose silence would have to last longer than any run can: it never cuts, so
// one stream is written as a numbered file like the other runs on the same name.
constexpr const char* kNeverCuts = "-t3,0x7FFFFFFF";

std::string hex(int64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

// The name of the n-th copy (2, 3 ...): the input's name without its directory (the
// copy is made in the current one), with _n before its first '.', where talvimo's base
// name ends.
std::string copyName(const std::string& input, int n) {
  const size_t slash = input.find_last_of("/\\:");
  std::string name = slash == std::string::npos ? input : input.substr(slash + 1);
  const size_t dot = std::min(name.find('.'), name.size());
  std::string copy(name, 0, dot);
  copy += '_';
  copy += std::to_string(n);
  copy.append(name, dot);
  return copy;
}

// The file the runs are being planned on: the input, or a copy of it from `from`.
struct PlanFile {
  int copy = -1;
  int64_t from = 0;
  int nextNumber = 0;  // of the next file written to its name
  int runs = 0;        // runs on it so far
};

// The offsets of the region's files, in the input.
std::vector<int64_t> fileStarts(const ProbeFindings& f) {
  std::vector<int64_t> starts;
  for (int64_t at : f.tracks.fileStarts) starts.push_back(f.layout.start + at);
  if (starts.empty()) starts.push_back(f.layout.start);
  return starts;
}

// The bytes a pair takes on the command's block size.
int64_t pairBytes(const ProbeFindings& f) { return 2 * static_cast<int64_t>(f.tracks.commandBlock); }

}  // namespace

void planCommands(const ProbeInput& in, const std::vector<ProbeFindings>& regions, CommandPlan& plan) {
  plan = CommandPlan{};
  PlanFile file;
  const auto copyFrom = [&](int64_t from, CopyReason why) {
    plan.copies.push_back(InputCopy{from, 0, copyName(in.name, static_cast<int>(plan.copies.size()) + 2)});
    plan.reasons.push_back(why);
    file = PlanFile{static_cast<int>(plan.copies.size()) - 1, from, 0};
  };
  for (const ProbeFindings& f : regions) {
    std::vector<TalvimoRun>& runs = plan.runs.emplace_back();
    std::vector<int64_t> starts = fileStarts(f);
    const int64_t end = soundEnd(f), pair = pairBytes(f);
    int64_t head = f.layout.start;
    for (size_t next = 0; next < starts.size();) {
      const int64_t readable = file.from + kMaxReadBytes;  // where a run on this file stops reading
      if (starts[next] > readable - pair) {
        // Nothing of the next file within reach (what lies before it is dropped anyway).
        head = std::max(head, starts[next]);
        copyFrom(head, CopyReason::kReadLimit);
        continue;
      }
      if (file.nextNumber == kMaxFileNumbers) {
        copyFrom(head, CopyReason::kFileNumbers);
        continue;
      }
      const size_t room = static_cast<size_t>(kMaxFileNumbers - file.nextNumber), first = next;
      size_t last = first;  // the last file that begins within both limits
      while (last + 1 < starts.size() && last + 1 - first < room && starts[last + 1] <= readable) last += 1;
      TalvimoRun run{file.copy, head, 0, file.nextNumber, 0, false, false};
      const int64_t lastEnd = last + 1 < starts.size() ? starts[last + 1] : end;
      if (lastEnd <= readable) {
        run.end = lastEnd;
        next = last + 1;
      } else if (last > first) {
        run.end = starts[last];  // the file that crosses the read limit is the next run's
        next = last;
      } else {
        // The read limit falls inside this run's only file: it is cut in two at its last
        // whole pair within reach, and the next run goes on with it.
        run.end = starts[first] + (readable - starts[first]) / pair * pair;
        run.endsInsideTrack = true;
        starts[first] = run.end;
      }
      run.files = run.endsInsideTrack ? 1 : static_cast<int>(next - first);
      runs.push_back(run);
      file.nextNumber += run.files;
      file.runs += 1;
      head = run.end;
      if (next < starts.size()) copyFrom(head, file.nextNumber == kMaxFileNumbers ? CopyReason::kFileNumbers : CopyReason::kReadLimit);
    }
  }
  // One stream on a name that other runs write to is numbered too; each copy holds what
  // its runs read.
  std::vector<int> runsOn(plan.copies.size() + 1, 0);
  for (const auto& region : plan.runs) {
    for (const TalvimoRun& run : region) runsOn[static_cast<size_t>(run.copy + 1)] += 1;
  }
  for (size_t r = 0; r < plan.runs.size(); ++r) {
    for (TalvimoRun& run : plan.runs[r]) {
      run.numbered = regions[r].tracks.archiveType == kOneStream && runsOn[static_cast<size_t>(run.copy + 1)] > 1;
      if (run.copy >= 0) {
        InputCopy& copy = plan.copies[static_cast<size_t>(run.copy)];
        copy.length = std::max(copy.length, run.end - copy.from);
      }
    }
  }
}

std::vector<std::string> runArguments(const ProbeInput& in, const ProbeFindings& f, const CommandPlan& plan,
                                      const TalvimoRun& run) {
  const bool copied = run.copy >= 0;
  const InputCopy* copy = copied ? &plan.copies[static_cast<size_t>(run.copy)] : nullptr;
  const int64_t from = copied ? copy->from : 0;
  const int64_t fileEnd = copied ? copy->from + copy->length : wholeFramesEnd(in, run.head);
  std::vector<std::string> args = {copied ? copy->name : std::string(in.name), hex(f.tracks.commandBlock)};
  if (run.head != from) args.push_back("-h" + hex(run.head - from));
  if (run.end < fileEnd) args.push_back("-b" + hex(run.end - from));
  if (chosenLayout(f.layout).channels == 1) args.push_back("-o1");
  if (f.rate > 0) args.push_back("-f" + std::to_string(f.rate));
  // Type 5 takes a parameter that it does not use; talvimo wants one all the same.
  const int type = f.tracks.archiveType;
  if (type != kOneStream) args.push_back("-t" + std::to_string(type) + (type == kFlaggedFrameCuts ? ",0" : ""));
  if (run.numbered) args.push_back(kNeverCuts);
  if (run.firstNumber > 0) args.push_back("-n" + hex(run.firstNumber));
  if (f.tracks.minimumSize > 0) args.push_back("-m" + hex(f.tracks.minimumSize));
  return args;
}

std::string copyCommand(const ProbeInput& in, const InputCopy& copy) {
  // tail reads the input from standard input, where no name can be taken for a switch;
  // set -C makes the shell refuse to overwrite a file of the copy's name.
  return "(set -C; tail -c +$((" + hex(copy.from) + " + 1)) < " + posixShellWord(in.name) + " | head -c $((" +
         hex(copy.length) + ")) > " + posixShellWord(copy.name) + ")";
}
