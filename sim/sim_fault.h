// Faults the simulated controller can inject, and their command-line text.
#pragma once

#include <QString>

#include <cstdint>

// One injected fault: it hits the nth frame (counted from 1 over the whole session) that
// carries `command`. Every kind but LostCommit changes the reply only; LostCommit leaves the
// reply alone and drops the frame's effect instead (a COMMIT that stores nothing). Unplug pulls
// the adapter as the frame goes out: the frame has no effect, gets no reply, and the server
// closes its pseudo-terminal (the client sees the device vanish) until it is plugged in again.
struct SimFault
{
    enum Kind
    {
        NoReply,
        BadChecksum,
        ShortReply,
        ExtraBytes,
        LateReply,
        LostCommit,
        Unplug
    } kind;
    std::uint8_t command;
    int nth;
};

// Parses "KIND:COMMAND:N": KIND is no-reply, bad-checksum, short-reply, extra-bytes,
// late-reply, lost-commit or unplug; COMMAND a name (identify, start, read, write, commit) or a hex
// code such as F2 or 0xF2; N a positive count. On failure returns false and says why in *error.
bool parseFault(const QString& text, SimFault* out, QString* error);

// The KIND word of a fault kind, as parseFault accepts it.
const char* faultKindName(SimFault::Kind kind);
// The text form of a fault, such as "late-reply:read:2".
QString faultText(const SimFault& fault);
