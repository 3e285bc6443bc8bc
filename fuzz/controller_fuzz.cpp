// Fuzz target: an arbitrary byte stream, arriving in timed chunks, against the simulated
// controller. Every reply must be a well-formed frame and the image must stay 128 bytes.
#include "controller_model.h"
#include "presets.h"
#include "request_assembler.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ConfigBlock image;
    std::uint8_t major = 0, minor = 0;
    presetImage(QStringLiteral("full"), &image, &major, &minor);
    ControllerModel model(image, major, minor);
    RequestAssembler assembler;
    std::int64_t now = 0;
    std::size_t i = 0;
    // Each chunk: one byte of timing (ms since the last chunk) and one byte of length.
    while (i + 2 <= size) {
        now += data[i];
        const std::size_t count = std::min<std::size_t>(data[i + 1] % 24, size - i - 2);
        const std::uint8_t* chunk = data + i + 2;
        i += 2 + count;
        for (const auto& event : assembler.feed(chunk, count, now)) {
            if (event.kind != RequestAssembler::Event::Frame)
                continue;
            const auto reply = model.processRequest(event.bytes);
            if (reply.empty())
                continue;
            if (reply.size() < kFrameOverhead || reply.size() > kMaxFrameSize ||
                reply[1] + kFrameOverhead != static_cast<int>(reply.size()) ||
                frameChecksum(reply.data(), reply.size() - 1) != reply.back())
                std::abort();
        }
    }
    return 0;
}
