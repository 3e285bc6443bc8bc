// Splits the byte stream from the tool into request frames, with the controller's resync rule.
#include "request_assembler.h"

std::vector<RequestAssembler::Event> RequestAssembler::feed(const std::uint8_t* bytes,
                                                            std::size_t count, std::int64_t nowMs)
{
    std::vector<Event> events;
    auto dropped = [&events](Event::Kind kind, std::uint8_t byte) {
        if (events.empty() || events.back().kind != kind)
            events.push_back({kind, {}});
        events.back().bytes.push_back(byte);
    };

    if (count > 0 && m_assembler.active() && nowMs - m_lastByteMs > kStaleFrameMs) {
        const auto& frame = m_assembler.frame();
        events.push_back(
            {Event::StaleDropped,
             std::vector<std::uint8_t>(frame.begin(), frame.begin() + m_assembler.count())});
        m_assembler.reset();
    }
    if (count > 0)
        m_lastByteMs = nowMs;

    for (std::size_t i = 0; i < count; ++i) {
        if (nowMs < m_discardUntilMs) {
            m_discardUntilMs = nowMs + kResyncQuietMs;
            dropped(Event::Discarded, bytes[i]);
            continue;
        }
        const FrameAssembler::Status status = m_assembler.feed(bytes[i]);
        if (status == FrameAssembler::Status::Incomplete)
            continue;
        const auto& frame = m_assembler.frame();
        std::vector<std::uint8_t> complete(frame.begin(), frame.begin() + m_assembler.count());
        if (status == FrameAssembler::Status::Complete) {
            events.push_back({Event::Frame, std::move(complete)});
        } else {
            events.push_back({Event::BadFrame, std::move(complete)});
            m_discardUntilMs = nowMs + kResyncQuietMs;
        }
    }
    return events;
}
