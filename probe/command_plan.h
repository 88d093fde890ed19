// The talvimo runs that convert every region of an input, within talvimo's limits: it
// reads no byte of a file at or past 0x7FFFFFFF, numbers at most 65536 files of one name
// (_0000 to _FFFF), and writes one unnumbered file where no archive type is given. Runs
// on one input number their files on from where the run before stopped (-n); where a
// limit is reached, the rest is converted from a copy of the input from there, whose
// own name keeps its files apart.
#pragma once

#include <string>
#include <vector>

#include "probe/probe_input.h"

constexpr int64_t kMaxReadBytes = 0x7FFFFFFF;  // talvimo reads no byte of a file at or past this offset
constexpr int kMaxFileNumbers = 0x10000;       // files one name numbers: _0000 to _FFFF

// A copy of part of the input, made before the first run that reads it.
struct InputCopy {
  int64_t from;      // where it begins in the input
  int64_t length;    // bytes copied
  std::string name;  // the input's name without its directory, with _2, _3 ... before its first '.'
};

// Why a copy was needed.
enum class CopyReason { kNone, kFileNumbers, kReadLimit };

// One talvimo run.
struct TalvimoRun {
  int copy;                // the copy it reads, -1 for the input itself
  int64_t head, end;       // the sound it converts, as offsets in the input
  int firstNumber;         // the number of its first file (-n)
  int files;               // files it writes
  bool numbered;           // one stream written as a numbered file, as other runs write to the same name
  bool endsInsideTrack;    // the read limit falls inside a track: the next run goes on with it
};

struct CommandPlan {
  std::vector<InputCopy> copies;
  std::vector<CopyReason> reasons;          // for each copy
  std::vector<std::vector<TalvimoRun>> runs;  // for each region, in order
};

// Plans the runs for the regions as probed.
void planCommands(const ProbeInput& input, const std::vector<ProbeFindings>& regions, CommandPlan& plan);

// The arguments of one run after the program name.
std::vector<std::string> runArguments(const ProbeInput& input, const ProbeFindings& region, const CommandPlan& plan,
                                      const TalvimoRun& run);

// The POSIX shell line that makes a copy: tail and head, refusing to overwrite a file.
std::string copyCommand(const ProbeInput& input, const InputCopy& copy);
