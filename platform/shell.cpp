// Words for a POSIX shell: in single quotes, where nothing is special, but a single quote
// itself, which ends the quotes, is written as '\'' .
#include "platform/shell.h"

#include <cctype>
#include <cstring>

namespace {

bool plain(const std::string& word) {
  if (word.empty()) return false;
  for (const unsigned char c : word) {
    if (std::isalnum(c) == 0 && std::strchr("@%+=:,./_-", c) == nullptr) return false;
  }
  return true;
}

}  // namespace

std::string posixShellWord(const std::string& word) {
  if (plain(word)) return word;
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

#ifndef _WIN32
std::string shellWord(const std::string& word) { return posixShellWord(word); }
#endif
