// Words for cmd.exe: in double quotes, where blanks and & | < > ^ ( ) lose their
// meaning. (A name on Windows holds no double quote.)
#include "platform/shell.h"

#include <cstring>

std::string shellWord(const std::string& word) {
  bool plain = !word.empty();
  for (const unsigned char c : word) plain = plain && c > ' ' && std::strchr("&|<>^()%!\",;=", c) == nullptr;
  return plain ? word : "\"" + word + "\"";
}
