// The kinds of test archive, each built with its truth: where the sound lies, how it
// is laid out, how many tracks talvimo writes and the arguments that cut it right.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "archive_layout.h"
#include "random_source.h"

namespace apart {

struct Archive {
    Bytes bytes;
    int channels = 2;
    std::size_t blockBytes = 0;  // 0 for mono
    std::size_t start = 0;
    std::size_t end = 0;
    int tracks = 1;
    int rate = 0;
    std::vector<std::string> arguments;  // talvimo's arguments after the input name
};

struct KindPlan {
    const char* name;  // one word: the group the archive's results count in
    int count;
    Archive (*build)(Random& random, int number);  // number: the archive's place in its kind
};

// Every kind with how many archives of it one set holds.
const std::vector<KindPlan>& kindPlans();

}  // namespace apart
