// A production line on one pseudo-terminal.
#include "sim_line.h"

#include "frame.h"

bool parseUnitFault(const QString& text, std::pair<int, SimFault>* out, QString* error)
{
    const int colon = text.indexOf(QLatin1Char(':'));
    bool ok = false;
    const int unit = text.left(colon).toInt(&ok);
    if (colon < 0 || !ok || unit < 1) {
        *error = QStringLiteral("\"%1\": expected UNIT:KIND:COMMAND:N with UNIT from 1").arg(text);
        return false;
    }
    SimFault fault{};
    if (!parseFault(text.mid(colon + 1), &fault, error))
        return false;
    *out = {unit, fault};
    return true;
}

SimLine::SimLine(const SimLineOptions& options, const ConfigBlock& first, std::uint8_t major,
                 std::uint8_t minor)
    : m_options(options), m_first(first), m_major(major), m_minor(minor)
{
}

ConfigBlock SimLine::imageOf(int n) const
{
    const FieldDef& serial = fieldDef(Field::SerialNumber);
    std::uint32_t number = 0;
    for (int i = 0; i < serial.width; ++i)
        number = (number << 8) | m_first.byte(serial.offset + i);
    number += static_cast<std::uint32_t>(n - 1);
    ConfigBlock image = m_first;
    for (int i = serial.width - 1; i >= 0; --i, number >>= 8)
        image.setByte(serial.offset + i, static_cast<std::uint8_t>(number & 0xFF));
    return image;
}

bool SimLine::admit(std::uint8_t command, std::int64_t nowMs, ControllerModel& model)
{
    if (!m_present) {
        if (m_unit >= m_options.units || nowMs < m_nextAtMs)
            return false;
        ++m_unit;
        m_present = true;
        m_written = false;
        model = ControllerModel(imageOf(m_unit), m_major, m_minor);
        for (const auto& [unit, fault] : m_options.unitFaults)
            if (unit == m_unit)
                model.addFault(fault);
    }
    if (command == CMD_WRITE || command == CMD_COMMIT) {
        m_written = true;
    } else if (command == CMD_IDENTIFY && m_written) {
        // Written and asked again: the operator has taken it off the line.
        m_left.push_back(model.stored());
        m_present = false;
        m_nextAtMs = nowMs + m_options.pauseMs;
        return false;
    }
    return true;
}
