// What every kind of archive needs: rates, encoder rules and block sizes drawn from
// the seed, the sound encoded into a stream, and the archive put together with its truth.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "adpcm_encoder.h"
#include "archive_layout.h"
#include "dsp.h"
#include "pieces.h"
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

int pickRate(Random& random);
// Mostly the plain rule; some archives get another tie-break, quantizer or measure.
EncoderRule pickRule(Random& random, double seconds);
// A stereo block size, now and then one of the small ones.
std::size_t stereoBlock(Random& random);

// Encodes the two channels as they are: loud sound clips here, if the caller wants it.
Bytes encodeStereoAsIs(const Stereo& sound, const EncoderRule& rule, std::size_t blockBytes);
// Encodes the two channels, turned down together where they would clip.
Bytes encodeStereo(Stereo sound, const EncoderRule& rule, std::size_t blockBytes);
Bytes encodeMono(Signal sound, const EncoderRule& rule);

// Puts header, body and trailer together and writes the truth for a body that starts
// right after the header; `cutArguments` selects the archive type, if any.
Archive assemble(Random& random, Bytes body, int channels, std::size_t blockBytes, int rate, int tracks,
                 std::vector<std::string> cutArguments);

}  // namespace apart
