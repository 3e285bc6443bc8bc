// Faults the simulated controller can inject, and their command-line text.
#include "sim_fault.h"

#include "frame.h"

#include <QStringList>

namespace {

struct KindName
{
    SimFault::Kind kind;
    const char* name;
};

constexpr KindName kKindNames[] = {
    {SimFault::NoReply, "no-reply"},       {SimFault::BadChecksum, "bad-checksum"},
    {SimFault::ShortReply, "short-reply"}, {SimFault::ExtraBytes, "extra-bytes"},
    {SimFault::LateReply, "late-reply"},   {SimFault::LostCommit, "lost-commit"},
    {SimFault::Unplug, "unplug"},
};

struct CommandName
{
    std::uint8_t command;
    const char* name;
};

constexpr CommandName kCommandNames[] = {
    {CMD_IDENTIFY, "identify"}, {CMD_START, "start"},   {CMD_READ, "read"},
    {CMD_WRITE, "write"},       {CMD_COMMIT, "commit"},
};

bool parseCommand(const QString& text, std::uint8_t* command)
{
    const QString word = text.trimmed().toLower();
    for (const auto& entry : kCommandNames) {
        if (word == QLatin1String(entry.name)) {
            *command = entry.command;
            return true;
        }
    }
    QString digits = word;
    if (digits.startsWith(QLatin1String("0x")))
        digits = digits.mid(2);
    if (digits.isEmpty() || digits.size() > 2)
        return false;
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    if (!ok)
        return false;
    *command = static_cast<std::uint8_t>(value);
    return true;
}

QString commandWord(std::uint8_t command)
{
    for (const auto& entry : kCommandNames)
        if (entry.command == command)
            return QString::fromLatin1(entry.name);
    return QStringLiteral("0x") +
           QString::number(command, 16).rightJustified(2, QLatin1Char('0')).toUpper();
}

} // namespace

const char* faultKindName(SimFault::Kind kind)
{
    for (const auto& entry : kKindNames)
        if (entry.kind == kind)
            return entry.name;
    return "?";
}

QString faultText(const SimFault& fault)
{
    return QStringLiteral("%1:%2:%3")
        .arg(QLatin1String(faultKindName(fault.kind)), commandWord(fault.command))
        .arg(fault.nth);
}

bool parseFault(const QString& text, SimFault* out, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("bad fault \"%1\": %2").arg(text, why);
        return false;
    };
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return fail(QStringLiteral("expected KIND:COMMAND:N"));

    const QString kindWord = parts[0].trimmed().toLower();
    const KindName* kind = nullptr;
    for (const auto& entry : kKindNames)
        if (kindWord == QLatin1String(entry.name))
            kind = &entry;
    if (!kind)
        return fail(QStringLiteral("unknown kind \"%1\" (one of no-reply, bad-checksum, "
                                   "short-reply, extra-bytes, late-reply, lost-commit, unplug)")
                        .arg(parts[0]));

    std::uint8_t command = 0;
    if (!parseCommand(parts[1], &command))
        return fail(QStringLiteral("unknown command \"%1\" (identify, start, read, write, "
                                   "commit or a hex code such as F2)")
                        .arg(parts[1]));

    bool ok = false;
    const int nth = parts[2].trimmed().toInt(&ok, 10);
    if (!ok || nth < 1)
        return fail(QStringLiteral("N must be a whole number from 1 on, not \"%1\"").arg(parts[2]));

    if (out)
        *out = SimFault{kind->kind, command, nth};
    return true;
}
