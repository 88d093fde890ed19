// How a word is written on a command line that this system's shell reads back as that
// word: a POSIX shell, or cmd.exe on Windows.
#pragma once

#include <string>

// The word as it is where nothing in it means anything to the shell, else quoted.
std::string shellWord(const std::string& word);
