// The file system calls a run makes, behind one small interface.
#pragma once

#include <cstdint>
#include <cstdio>

// Opens a regular file for binary reading, unbuffered (the run reads in large chunks of
// its own), and gives its length. nullptr when it cannot be opened or is not a regular
// file; a FIFO is refused without waiting for a writer.
FILE* openInputFile(const char* name, int64_t* length);

// Opens name for binary writing, creating or truncating it. Refused (nullptr), without
// blocking and without touching it, when the name is something other than a regular
// file (a FIFO, a device, a directory) or is the file open as `input` under any name;
// nullptr too when the open fails.
FILE* createOutputFile(const char* name, FILE* input);

// The first offset at or after `offset` that the file system holds data for: past a
// sparse file's hole, which reads as zeros. The file's length where only a hole follows;
// `offset` itself where the system cannot tell. The stream's position is left as it was.
int64_t dataFrom(FILE* file, int64_t offset, int64_t length);

// Seeks a stream to an offset from the start. 0 or -1.
int seekFile(FILE* file, int64_t offset);

// Flushes a stream and cuts its file at length. 0 or -1.
int truncateFile(FILE* file, int64_t length);

// The length of the named file. 0, or -1 when it cannot be measured.
int measureFile(const char* name, int64_t* length);

// Standard input, output and error that are closed at start are opened on the null
// device, so that no file the run opens takes their descriptors.
void reopenClosedStandardStreams();
