// The controller's 128-byte configuration image and typed access to its fields.
#include "config_block.h"

ConfigBlock ConfigBlock::fromByteArray(const QByteArray& data)
{
    ConfigBlock block;
    const int n = qMin(static_cast<int>(data.size()), kConfigBlockSize);
    for (int i = 0; i < n; ++i)
        block.m_bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(data[i]);
    return block;
}

QByteArray ConfigBlock::toByteArray() const
{
    return QByteArray(reinterpret_cast<const char*>(m_bytes.data()), kConfigBlockSize);
}

std::uint32_t ConfigBlock::get(Field f) const
{
    const FieldDef& d = fieldDef(f);
    if (d.kind == FieldKind::Flag)
        return (byte(d.offset) & d.mask) ? 1u : 0u;
    std::uint32_t value = 0;
    for (int i = 0; i < d.width && i < 4; ++i)
        value = (value << 8) | byte(d.offset + i);
    return value;
}

void ConfigBlock::set(Field f, std::uint32_t value)
{
    const FieldDef& d = fieldDef(f);
    if (d.kind == FieldKind::Flag) {
        std::uint8_t b = byte(d.offset);
        b = value ? static_cast<std::uint8_t>(b | d.mask) : static_cast<std::uint8_t>(b & ~d.mask);
        setByte(d.offset, b);
        return;
    }
    for (int i = d.width - 1; i >= 0; --i) {
        setByte(d.offset + i, static_cast<std::uint8_t>(value & 0xFF));
        value >>= 8;
    }
}

std::uint8_t ConfigBlock::at(Field f, int index) const
{
    return byte(fieldDef(f).offset + index);
}

QByteArray ConfigBlock::raw(Field f) const
{
    const FieldDef& d = fieldDef(f);
    return QByteArray(reinterpret_cast<const char*>(m_bytes.data()) + d.offset, d.width);
}

int ConfigBlock::softwareVersion() const
{
    return at(Field::SoftwareVersion, 0) * 256 + at(Field::SoftwareVersion, 1);
}

void ConfigBlock::setSoftwareVersion(std::uint8_t major, std::uint8_t minor)
{
    const int offset = fieldDef(Field::SoftwareVersion).offset;
    setByte(offset, major);
    setByte(offset + 1, minor);
}

QString hexText(const std::uint8_t* bytes, int count)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(count * 2);
    for (int i = 0; i < count; ++i) {
        out.append(QLatin1Char(digits[bytes[i] >> 4]));
        out.append(QLatin1Char(digits[bytes[i] & 0x0F]));
    }
    return out;
}

QString versionText(const ConfigBlock& block)
{
    return hexText(block.bytes().data() + fieldDef(Field::SoftwareVersion).offset, 2);
}

QString ControllerKey(const ConfigBlock& block)
{
    const int version = fieldDef(Field::SoftwareVersion).offset;
    const int serial = fieldDef(Field::SerialNumber).offset;
    return hexText(block.bytes().data() + version, 2) + hexText(block.bytes().data() + serial, 4);
}
