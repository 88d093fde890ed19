#include "truth_lines.h"

#include <sstream>

namespace blind {

void writeCommandLine(std::ostream& out, const std::string& file, int tracks, int rate, const CutCommand& command) {
  out << file << ' ' << tracks << ' ' << rate;
  for (const std::string& argument : command.arguments()) out << ' ' << argument;
  out << '\n';
}

std::string hexOffset(uint64_t value) {
  std::ostringstream out;
  out << "0x" << std::uppercase << std::hex << value;
  return out.str();
}

}  // namespace blind
