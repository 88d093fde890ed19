// Where the SPU ADPCM sound of an input starts and ends: a header before it and other
// data after it are not frames of sound.
#pragma once

#include "probe/probe_input.h"

// Finds the first frame of sound in the head: the first place, within a header of up
// to kMaxHeaderBytes, where kRunFrames sound frames begin (as many as there are, in a
// short input, but at least kMinFrames), the first kLoudFrames of them not empty; and
// where it ends: after the last sound frame that ends a run of kLoudFrames sound frames
// in the input's tail, so that a trailer of other data is left out. 0, or -1 when there
// is no sound.
int findAudioExtent(const ProbeInput& input, AudioExtent& extent);

// Where the frames from `start` would end if all the rest of the input were sound.
int64_t wholeFramesEnd(const ProbeInput& input, int64_t start);
