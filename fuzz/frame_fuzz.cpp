// Fuzz target: arbitrary bytes through the receive assembler, checking its invariants.
#include "frame.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FrameAssembler assembler;
    assembler.reset();
    for (std::size_t i = 0; i < size; ++i) {
        const auto status = assembler.feed(data[i]);
        if (assembler.count() > kMaxFrameSize || assembler.length() > kMaxFrameData)
            std::abort();
        if (status == FrameAssembler::Status::Incomplete)
            continue;
        const int length = assembler.length();
        if (assembler.count() < length + kFrameOverhead || assembler.active())
            std::abort();
        const bool sumMatches =
            frameChecksum(assembler.frame().data(), static_cast<std::size_t>(length + 2)) ==
            assembler.frame()[static_cast<std::size_t>(length + 2)];
        if (sumMatches != (status == FrameAssembler::Status::Complete))
            std::abort();
        assembler.reset();
    }
    return 0;
}
