// Where the SPU ADPCM data of an input starts and ends: a header before it and other
// data after it are not frames of sound.
#pragma once

#include <cstdint>

#include "probe/probe_state.h"

// A frame as SPU ADPCM data holds it: filter 0..4, shift 0..12, flag byte 0..7.
bool isAdpcmFrame(const uint8_t* frame);
// Sixteen zero bytes: valid, but found in padding as often as in sound.
bool isEmptyFrame(const uint8_t* frame);

// Finds the first frame of sound in the head: the first place, within a header of up
// to kMaxHeaderBytes, where 64 valid frames begin (as many as there are, in a short
// input, but at least 8), the first 8 of them not empty. 0, or -1 when there is none.
int findAudioStart(ProbeState& p);

// Where the frames from p.start would end if all the rest of the input were sound.
int64_t wholeFramesEnd(const ProbeState& p);

// Finds where the sound ends: after the last valid frame that ends a run of 8 valid
// frames in the input's tail, so that a trailer of other data is left out.
void findAudioEnd(ProbeState& p);
