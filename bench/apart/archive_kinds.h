// The kinds of test archive, each built with its truth: where the sound lies, how it
// is laid out, how many tracks talvimo writes and the arguments that cut it right.
#pragma once

#include <vector>

#include "archive_assembly.h"
#include "random_source.h"

namespace apart {

struct KindPlan {
    const char* name;  // one word: the group the archive's results count in
    int count;
    Archive (*build)(Random& random, int number);  // number: the archive's place in its kind
};

// Every kind with how many archives of it one set holds.
const std::vector<KindPlan>& kindPlans();

}  // namespace apart
