#ifndef FUZZTARGET_H
#define FUZZTARGET_H

#include <cstddef>
#include <cstdint>

// What every fuzz target defines: libFuzzer (or the replayer) hands it one
// input at a time.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size);

#endif // FUZZTARGET_H
