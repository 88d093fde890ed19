// The tracks of an archive: which archive type of talvimo cuts them apart, and how many
// files that gives.
#pragma once

#include "probe/probe_input.h"

// Reads the sound from layout.start to extent.end once and chooses, for the chosen layout:
//  - type 1 where marker frames (header 0x0C, silent) begin pairs after the first;
//  - for mono, type 5 where a few frames carry a flag byte (the last frame of each
//    stream, as one-shot streams mark their ends), else type 2 where empty frames part
//    long stretches of sound;
//  - none, one stream, otherwise.
// A -m drops the pieces without sound that cuts may leave (silence between two markers).
// For mono the command's block size is the largest of 0x10..0x800 whose pairs begin at
// every marker. 0, or -1 on a read error.
int findTracks(const ProbeInput& input, const AudioExtent& extent, const LayoutChoice& layout, TrackLayout& tracks);
