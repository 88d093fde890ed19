// How a word is written on a command line that a shell reads back as that word.
#pragma once

#include <string>

// For a POSIX shell: the word as it is where nothing in it means anything to the shell,
// else in single quotes.
std::string posixShellWord(const std::string& word);

// For this system's shell: a POSIX shell, or cmd.exe on Windows.
std::string shellWord(const std::string& word);
