// Plain test signals, each encoded with every encoder rule, for checking the encoder
// against the real decoder: <signal>_<rule>.raw beside the samples it should give back,
// <signal>_<rule>.pcm (16-bit little-endian), listed in round_trip.txt.
#pragma once

#include <string>

namespace apart {

int writeRoundTripSignals(const std::string& folder);

}  // namespace apart
