#pragma once

// Keeps the memory that frames use inside the process. The software renderer allocates the
// binned triangles of each frame afresh and frees them once the frame is drawn; left to the
// C library's adaptive defaults, that memory goes back to the kernel whenever enough of it
// comes free at the top of the heap, and the next frame takes every page of it back, each a
// page fault on a zero-filled page. Called once the scene is built, before the first frame;
// it also hands back what loading left free. Has no effect under an allocator that does not
// take these settings (a sanitizer's).
void keepHeapForFrames();
