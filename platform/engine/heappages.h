#pragma once
// Large pages behind the heap of a thread that fills a workbook.
//
// Reading a large workbook touches tens of megabytes of memory that the
// process never had, in a few worker threads, each allocating from a heap
// of its own. In small pages every four kilobytes of it costs the kernel a
// fault, and in a fresh process those faults weigh as much as the reading;
// in large pages one fault covers two megabytes.

namespace xl {

// Sets the allocator up for a program that reads a large workbook at its
// start, before any other thread runs: heaps grow in large steps, and
// blocks up to 32 MB (the row tables, the shared strings, the file's own
// bytes) come from the heaps, whose pages the threads that fill them
// advise, rather than each from a mapping of its own in small pages.
void tuneHeapForLargeReads();

// Asks the kernel for large pages behind the heap the calling thread
// allocates from, when that heap is one of the allocator's per-thread
// heaps; the main heap and other allocators are left alone. Only the speed
// changes, and only where the kernel gives large pages on request.
void adviseLargePagesForThreadHeap();

} // namespace xl
