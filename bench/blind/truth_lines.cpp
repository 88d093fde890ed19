#include "truth_lines.h"

namespace blind {

void writeCommandLine(std::ostream& out, const std::string& file, int tracks, int rate, const CutCommand& command) {
  out << file << ' ' << tracks << ' ' << rate;
  for (const std::string& argument : command.arguments()) out << ' ' << argument;
  out << '\n';
}

}  // namespace blind
