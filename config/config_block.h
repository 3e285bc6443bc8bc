// The controller's 128-byte configuration image and typed access to its fields.
#pragma once

#include "config_fields.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

class ConfigBlock
{
public:
    using Bytes = std::array<std::uint8_t, kConfigBlockSize>;

    ConfigBlock() { m_bytes.fill(0xFF); } // the image before the first read

    static ConfigBlock fromByteArray(const QByteArray& data); // data must hold 128 bytes
    QByteArray toByteArray() const;

    std::uint8_t byte(int offset) const { return m_bytes[static_cast<std::size_t>(offset)]; }
    void setByte(int offset, std::uint8_t value)
    {
        m_bytes[static_cast<std::size_t>(offset)] = value;
    }
    const Bytes& bytes() const { return m_bytes; }
    Bytes& bytes() { return m_bytes; }

    // Flags give 0 or 1; numbers are read big-endian over the field's width.
    std::uint32_t get(Field f) const;
    // Flags set or clear only their own bit; numbers are written big-endian, truncated to the
    // field's width. Nothing else of the block changes.
    void set(Field f, std::uint32_t value);
    bool flag(Field f) const { return get(f) != 0; }
    void setFlag(Field f, bool on) { set(f, on ? 1u : 0u); }
    std::uint8_t at(Field f, int index = 0) const; // one byte of a multi-byte field
    QByteArray raw(Field f) const;

    // Software version as major * 256 + minor (bytes 83 and 84).
    int softwareVersion() const;
    // Puts the version the controller reports when identified into bytes 83 and 84.
    void setSoftwareVersion(std::uint8_t major, std::uint8_t minor);
    // True for version major.minor or later, comparing major first.
    bool versionAtLeast(int major, int minor) const
    {
        return softwareVersion() >= major * 256 + minor;
    }
    // True for `version` (major * 256 + minor) or later.
    bool versionAtLeast(int version) const { return softwareVersion() >= version; }

    bool operator==(const ConfigBlock& o) const { return m_bytes == o.m_bytes; }
    bool operator!=(const ConfigBlock& o) const { return m_bytes != o.m_bytes; }

private:
    Bytes m_bytes{};
};

// n bytes as 2n upper-case hex digits, high nibble first, no separators.
QString hexText(const std::uint8_t* bytes, int count);
// Version text of the two version bytes, such as "0402".
QString versionText(const ConfigBlock& block);
// Twelve hex digits: the two version bytes, then the four serial number bytes. Names the
// controller's backup files.
QString ControllerKey(const ConfigBlock& block);
