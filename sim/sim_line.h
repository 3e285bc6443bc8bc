// A production line on one pseudo-terminal: units one after the other, serial numbers counting
// up. A unit is taken off the line once it was written: the first IDENTIFY after a WRITE or
// COMMIT goes unanswered, and so does everything until the next unit is put on after a pause.
#pragma once

#include "controller_model.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <vector>

struct SimLineOptions
{
    int units = 0;      // units on the line; 0: no line, one controller as ever
    int pauseMs = 1000; // between one unit leaving and the next coming
    QList<std::pair<int, SimFault>> unitFaults; // unit (from 1) and its fault, counted per unit
};

// Parses "U:KIND:COMMAND:N" for --unit-fault.
bool parseUnitFault(const QString& text, std::pair<int, SimFault>* out, QString* error);

class SimLine
{
public:
    SimLine(const SimLineOptions& options, const ConfigBlock& first, std::uint8_t major,
            std::uint8_t minor);

    // Whether the unit on the line hears a valid request of `command` at `nowMs`; puts the next
    // unit into `model` once the pause is over.
    bool admit(std::uint8_t command, std::int64_t nowMs, ControllerModel& model);
    // The unit on the line (from 1), or 0 while none is.
    int unit() const { return m_present ? m_unit : 0; }
    // The stored image of every unit that has left the line, in order.
    const std::vector<ConfigBlock>& leftImages() const { return m_left; }
    // Unit `n`'s image: the first one's with the serial number counted up.
    ConfigBlock imageOf(int n) const;

private:
    SimLineOptions m_options;
    ConfigBlock m_first;
    std::uint8_t m_major;
    std::uint8_t m_minor;
    int m_unit = 1;
    bool m_present = true;
    bool m_written = false; // a WRITE or COMMIT came for this unit
    std::int64_t m_nextAtMs = 0;
    std::vector<ConfigBlock> m_left;
};
