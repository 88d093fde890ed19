// Segment detectors: where the selected archive type ends one stream and begins the next.
#pragma once

#include "run/run_state.h"
#include "scan/frame_scan.h"

// Runs the detector of state.archiveType on the frame just read, before it is decoded.
// It may split (close the segment before this frame, which then begins the next one)
// or cut (set scan.stopFlag: the frame is dropped and the scan loop closes the segment).
// 0, or -1 when a split's close ended the run.
int runDetector(RunState& state, FrameScan& scan);
