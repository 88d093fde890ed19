// How the fuzzer's bytes become a run: an input name, a command line and an input file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct FuzzRun {
  std::string inputFile;               // where the input is written, relative to the scratch directory
  std::vector<std::string> arguments;  // argv, program name first
  std::vector<uint8_t> input;          // the input file's bytes
  std::string fifo;                    // a FIFO made before the run where an output may go, or ""
};

// Layout: [name][block size][switch count] then per switch [letter][length][text...],
// then [extras] (too few arguments, a FIFO at an output or list-file name), then the
// input file. Every byte string decodes to some run.
FuzzRun decodeFuzzInput(const uint8_t* data, size_t size);

// The inverse, for seeds: switches are full arguments such as "-t3,12"; fifoChoice -1
// lays no FIFO, else the FIFO name's index.
std::vector<uint8_t> encodeFuzzInput(int nameChoice, int blockChoice, const std::vector<std::string>& switches,
                                     const std::vector<uint8_t>& input, int fifoChoice = -1);
