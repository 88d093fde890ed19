// The text files that carry the truth about a generated set.
#pragma once

#include <ostream>
#include <string>

#include "cut_count.h"

namespace blind {

// One line of truth_commands.txt: the input file, the files talvimo must write,
// the sample rate their headers must carry (0: any), and the talvimo arguments
// after the input name. The checking script runs exactly this command.
void writeCommandLine(std::ostream& out, const std::string& file, int tracks, int rate, const CutCommand& command);

}  // namespace blind
