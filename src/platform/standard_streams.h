#pragma once

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed. Call it first thing:
// otherwise the next file opened takes the free number, and a file meant for reading (the
// music, a model) is read as the answers to the questions, or output lands inside it.
void openClosedStandardStreams();
