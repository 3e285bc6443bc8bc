// The simulated controller without any transport: one request frame in, one reply out.
#pragma once

#include "config_block.h"
#include "sim_fault.h"

#include <QList>

#include <cstdint>
#include <map>
#include <vector>

// Answers the controller's commands on a stored image (what READ serves and COMMIT keeps) and
// a staged image (what WRITE fills). START drops staged writes; COMMIT makes the staged image
// the stored one. Requests with a bad checksum, unknown commands and requests the controller
// cannot serve (a READ or WRITE outside the 128 bytes) get no reply.
//
// Reply faults change the reply only: the request itself is still carried out, as when the
// controller did the work and the answer was lost or garbled on the way back. A LostCommit
// fault is the other way round: the reply is the normal one but the request has no effect, as
// with a controller whose write does not stick. A lost COMMIT keeps the stored image and drops
// the staged writes as START would; a lost WRITE is acknowledged but not staged; a lost START
// keeps earlier staged writes; IDENTIFY, READ and unknown commands change nothing, so losing
// them changes nothing either. An Unplug fault is both: the frame has no effect and no reply
// (the server also closes the line). A LostCommit and one reply fault may hit the same frame.
// Frames are counted per command over the model's whole life; a frame with a bad checksum is not
// counted, since its command byte cannot be trusted.
class ControllerModel
{
public:
    // A reply and how long the controller waits before sending it.
    struct Reply
    {
        std::vector<std::uint8_t> bytes; // empty: no reply
        int delayMs = 0;
    };

    static constexpr int kLateReplyMs = 2000;             // beyond the client's 1.5 s receive bound
    static const std::vector<std::uint8_t>& extraBytes(); // what ExtraBytes appends

    ControllerModel(const ConfigBlock& stored, std::uint8_t major, std::uint8_t minor);

    // One complete request frame (command, length, data, checksum) → reply bytes; empty = no
    // reply. A LateReply fault's delay is dropped here; handleRequest() reports it.
    std::vector<std::uint8_t> processRequest(const std::vector<std::uint8_t>& request);
    Reply handleRequest(const std::vector<std::uint8_t>& request);

    const ConfigBlock& stored() const { return m_stored; }
    const ConfigBlock& staged() const { return m_staged; }
    // Replaces the stored image, as after a power cycle: staged writes are dropped too.
    void setStored(const ConfigBlock& image);

    std::uint8_t versionMajor() const { return m_major; }
    std::uint8_t versionMinor() const { return m_minor; }
    void setVersion(std::uint8_t major, std::uint8_t minor);

    // COMMITs that stored the staged image; a lost one does not count.
    int commitCount() const { return m_commitCount; }
    // Valid frames of this command received so far (the next one is number frameCount() + 1).
    int frameCount(std::uint8_t command) const;

    void addFault(const SimFault& fault) { m_faults.append(fault); }
    void clearFaults() { m_faults.clear(); }
    const QList<SimFault>& faults() const { return m_faults; }
    // Faults that have hit a reply so far, in order.
    const QList<SimFault>& firedFaults() const { return m_fired; }

private:
    // The normal reply; with takeEffect false the request changes neither image.
    std::vector<std::uint8_t> answer(std::uint8_t command, const std::uint8_t* data, int length,
                                     bool takeEffect);
    Reply applyFault(const SimFault& fault, std::vector<std::uint8_t> reply) const;

    ConfigBlock m_stored;
    ConfigBlock m_staged;
    std::uint8_t m_major;
    std::uint8_t m_minor;
    int m_commitCount = 0;
    std::map<std::uint8_t, int> m_frameCounts;
    QList<SimFault> m_faults;
    QList<SimFault> m_fired;
};
