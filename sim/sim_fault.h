// Faults the simulated controller can inject into its replies, and their command-line text.
#pragma once

#include <QString>

#include <cstdint>

// One injected fault: it hits the reply to the nth frame (counted from 1 over the whole
// session) that carries `command`.
struct SimFault
{
    enum Kind
    {
        NoReply,
        BadChecksum,
        ShortReply,
        ExtraBytes,
        LateReply
    } kind;
    std::uint8_t command;
    int nth;
};

// Parses "KIND:COMMAND:N": KIND is no-reply, bad-checksum, short-reply, extra-bytes or
// late-reply; COMMAND a name (identify, start, read, write, commit) or a hex code such as F2
// or 0xF2; N a positive count. On failure returns false and says why in *error.
bool parseFault(const QString& text, SimFault* out, QString* error);

// The KIND word of a fault kind, as parseFault accepts it.
const char* faultKindName(SimFault::Kind kind);
// The text form of a fault, such as "late-reply:read:2".
QString faultText(const SimFault& fault);
