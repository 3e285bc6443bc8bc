// How the block stores values that are not plain numbers: step pairs, half-percent positions,
// rate steps and the control-mode codes. Every reader and writer of these fields uses these.
#pragma once

#include <cstdint>

// The steps byte of software before throttle and brake positions (ThrottleStartEndSteps,
// BrakeSensorStartEndSteps): the starting step in the high nibble, the ending step in the low.
// Start step n begins at n x 10 % of the travel, end step n ends at 100 % - n x 10 %.
namespace StepPair {
constexpr int kStartShift = 4;
constexpr std::uint8_t kNibble = 0x0F;
constexpr int kMaxNibble = kNibble; // the largest step one nibble holds
constexpr int kLastStart = 4;       // 40 %
constexpr int kLastEnd = 5;         // 50 %
constexpr int kPercentPerStep = 10;

constexpr int start(std::uint32_t byte)
{
    return static_cast<int>((byte >> kStartShift) & kNibble);
}
constexpr int end(std::uint32_t byte)
{
    return static_cast<int>(byte & kNibble);
}
constexpr std::uint8_t of(int start, int end)
{
    return static_cast<std::uint8_t>((start << kStartShift) | (end & kNibble));
}
// The byte with one nibble replaced, the other kept; `step` is 0..kMaxNibble.
constexpr std::uint8_t withStart(std::uint32_t byte, int step)
{
    return static_cast<std::uint8_t>((byte & kNibble) | (step << kStartShift));
}
constexpr std::uint8_t withEnd(std::uint32_t byte, int step)
{
    return static_cast<std::uint8_t>((byte & (kNibble << kStartShift)) | step);
}
constexpr bool fitsNibble(int step)
{
    return step >= 0 && step <= kMaxNibble;
}
constexpr int startPercent(int step)
{
    return step * kPercentPerStep;
}
constexpr int endPercent(int step)
{
    return 100 - step * kPercentPerStep;
}
} // namespace StepPair

// Throttle positions (ThrottleStartPosition, ThrottleEndPosition) are kept in half percent.
namespace HalfPercent {
constexpr int kPerPercent = 2;

constexpr std::uint32_t stored(int percent)
{
    return static_cast<std::uint32_t>(percent * kPerPercent);
}
constexpr int wholePercent(std::uint32_t stored)
{
    return static_cast<int>(stored / kPerPercent);
}
constexpr double percent(std::uint32_t stored)
{
    return stored / double(kPerPercent);
}
} // namespace HalfPercent

// ThrottleUpDownRate is kept as ten times the rate step, step 1 fast to 20 slow.
namespace RateStep {
constexpr int kScale = 10;
constexpr int kFirst = 1;
constexpr int kLast = 20;

constexpr std::uint32_t stored(int step)
{
    return static_cast<std::uint32_t>(step * kScale);
}
constexpr int step(std::uint32_t stored)
{
    return static_cast<int>(stored / kScale);
}
constexpr bool isWholeStep(std::uint32_t stored)
{
    return stored % kScale == 0;
}
} // namespace RateStep

// The codes of ControlMode (and its copy) and SpeedMode.
namespace ControlModeCode {
constexpr std::uint32_t kBalanced = 1;
constexpr std::uint32_t kLegacy = 2; // older software's mode, converted to torque on opening
constexpr std::uint32_t kTorque = 3;
} // namespace ControlModeCode

namespace SpeedModeCode {
constexpr std::uint32_t kOff = 0;
constexpr std::uint32_t kOn = 2;
} // namespace SpeedModeCode
