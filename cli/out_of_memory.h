#pragma once
// Memory that runs out ends tessaline-cli with one line, "tessaline-cli: out of memory", and
// status 1, wherever it ran out.

namespace tessaline::cli {

// Writes the line straight to the error descriptor: saying it needs none of the memory that ran out.
void sayOutOfMemory() noexcept;

// From here on, memory that runs out where no exception may pass (a destructor that frees a large
// result and needs a little memory to do it, a processing thread) ends the process with the line and
// status 1 instead of an abort and a core dump; nothing still buffered for stdout is written. Any
// other reason to terminate goes on to the handler that was there before.
void endOnOutOfMemory();

}  // namespace tessaline::cli
