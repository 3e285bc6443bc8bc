// Throttle and general settings page: controller identity, switches, throttle span, currents.
#include "cstep2.h"

#include "field_encodings.h"
#include "field_rules.h"
#include "message_ids.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

namespace V = SoftwareVersions;

namespace {

// Throttle positions are kept in half percent (HalfPercent) from the trackbar software on,
// older software keeps a steps byte (StepPair).
constexpr int kFallbackStep = 2; // "20%" and "80%"

// The model options byte: three option letters from bit fields.
constexpr std::uint8_t kOption1Mask = 0x07;
constexpr int kOption2Shift = 3;
constexpr int kOption3Shift = 5;
constexpr std::uint8_t kTwoBitMask = 0x03;
constexpr char kOption1Letters[] = {0, 'A', 'B', 'H', 'X', 'E', 'G', 'D'};
constexpr char kOption2Letters[] = {0, 'S', 'U', 0};
constexpr char kOption3Letters[] = {0, 'C', 'J', 0};
constexpr int kOptionGroupWidth = 3;

constexpr int kTierBSensors[] = {MessageIds::ThreeWirePotItem, MessageIds::HallThrottleItem};
const char* const kTierCSensors[] = {"0-5V", "1-4V", "0-5K"};

QString hexOf(const ConfigBlock& block, Field f)
{
    return QString::fromLatin1(block.raw(f).toHex().toUpper());
}

} // namespace

QString CStep2::modelText(const ConfigBlock& block)
{
    QByteArray text("DVR");
    text += block.raw(Field::ModelNumber);

    const std::uint8_t options = block.at(Field::ModelOptions);
    QByteArray letters;
    for (char letter : {kOption1Letters[options & kOption1Mask],
                        kOption2Letters[(options >> kOption2Shift) & kTwoBitMask],
                        kOption3Letters[(options >> kOption3Shift) & kTwoBitMask]})
        if (letter != 0)
            letters += letter;
    letters = letters.leftJustified(kOptionGroupWidth, ' ');

    if (block.raw(Field::ModelPrefix) == "PDT")
        text += 'A' + letters + QByteArray(5, ' ');
    else if (block.at(Field::ModelVariant) == 'B')
        text += 'B';
    else
        text += letters;

    // The text is a C string: a zero byte among the model characters ends it.
    const int end = text.indexOf('\0');
    if (end >= 0)
        text.truncate(end);
    return QString::fromLatin1(text);
}

void CStep2::bindControls()
{
    m_start = control<QSlider>(kStartSlider);
    m_end = control<QSlider>(kEndSlider);
    m_lowThreshold = control<QSlider>(kLowThresholdSlider);
    m_highThreshold = control<QSlider>(kHighThresholdSlider);
    m_motorCurrent = control<QSlider>(kMotorCurrentSlider);
    m_batteryCurrent = control<QSlider>(kBatteryCurrentSlider);
    m_sensor = control<QComboBox>(kSensorCombo);
    m_startSteps = control<QComboBox>(kStartStepsCombo);
    m_endSteps = control<QComboBox>(kEndStepsCombo);

    for (QSlider* slider :
         {m_start, m_end, m_lowThreshold, m_highThreshold, m_motorCurrent, m_batteryCurrent}) {
        if (slider == nullptr)
            continue;
        const int id = slider->objectName().mid(2).toInt();
        connect(slider, &QSlider::valueChanged, this, [this, id] { refreshLabel(id); });
    }
    // The volt readings and the threshold group depend on the sensor type: follow it at once.
    if (m_sensor) {
        connect(m_sensor, &QComboBox::currentIndexChanged, this, [this] {
            refreshLabel(kStartSlider);
            refreshLabel(kEndSlider);
        });
    }
    // The steps lists are fixed: text typed into their edit field never becomes an item.
    for (QComboBox* combo : {m_startSteps, m_endSteps})
        if (combo)
            combo->setInsertPolicy(QComboBox::NoInsert);

    if (auto* forwardOn = control<QAbstractButton>(kForwardEnable))
        connect(forwardOn, &QAbstractButton::clicked, this, [this] { lockFootSwitch(); });
    if (auto* forwardOff = control<QAbstractButton>(kForwardDisable))
        connect(forwardOff, &QAbstractButton::clicked, this, [this] { unlockFootSwitch(); });
}

bool CStep2::positionsAsTrackbars() const
{
    return block().versionAtLeast(V::kPositions);
}

bool CStep2::secondSensorSelected() const
{
    return m_sensor != nullptr && m_sensor->currentIndex() == 1;
}

void CStep2::load()
{
    const ConfigBlock& b = block();
    const FieldRules rules(b);

    setControlText(kModelText, modelText(b));
    setControlText(kAdText, hexOf(b, Field::AdVersion));
    setControlText(kSerialText, hexOf(b, Field::SerialNumber));
    setControlText(kSoftwareText, hexOf(b, Field::SoftwareVersion));

    // Both throttle representations are loaded; the version decides which one is visible.
    const std::uint8_t steps = b.at(Field::ThrottleStartEndSteps);
    // The largest valid steps byte pairs the last starting step with the last ending step.
    const auto lastSteps = static_cast<int>(rules.valid(Field::ThrottleStartEndSteps).max());
    const int lastStart = StepPair::start(lastSteps);
    const int lastEnd = StepPair::end(lastSteps);
    setSliderSpan(m_start, rules.valid(Field::ThrottleStartPosition),
                  HalfPercent::wholePercent(b.at(Field::ThrottleStartPosition)),
                  HalfPercent::kPerPercent);
    if (m_startSteps) {
        const int start = StepPair::start(steps);
        m_startSteps->setCurrentIndex(start <= lastStart ? start : kFallbackStep);
    }
    setSliderSpan(m_end, rules.valid(Field::ThrottleEndPosition),
                  HalfPercent::wholePercent(b.at(Field::ThrottleEndPosition)),
                  HalfPercent::kPerPercent);
    if (m_endSteps) {
        const int end = StepPair::end(steps);
        m_endSteps->setCurrentIndex(end <= lastEnd ? end : kFallbackStep);
    }

    const bool foot = b.flag(Field::FootSwitch);
    if (b.versionAtLeast(V::kForwardSwitch)) {
        const bool forward = b.flag(Field::ForwardSwitch);
        setControlEnabled(kForwardEnable, true);
        setControlEnabled(kForwardDisable, true);
        setChecked(kForwardEnable, forward);
        setChecked(kForwardDisable, !forward);
        if (forward) {
            lockFootSwitch();
        } else {
            setChecked(kFootEnable, foot);
            setChecked(kFootDisable, !foot);
            unlockFootSwitch();
        }
    } else {
        // The Forward Switch does not exist before this software: offered disabled, never set.
        setControlEnabled(kForwardEnable, false);
        setControlEnabled(kForwardDisable, false);
        setNoteText(kForwardNote, text(MessageIds::ForwardSwitchNote));
        setChecked(kFootEnable, foot);
        setChecked(kFootDisable, !foot);
        unlockFootSwitch();
    }

    const bool trackbars = positionsAsTrackbars();
    for (int id : {kStartSlider, kEndSlider, kStartLabel, kEndLabel})
        setControlVisible(id, trackbars);
    for (int id : {kStartStepsCombo, kEndStepsCombo})
        setControlVisible(id, !trackbars);
    if (trackbars && m_sensor) {
        const bool threeSensors = b.versionAtLeast(V::kThreeSensors);
        m_sensor->clear();
        if (threeSensors) {
            for (const char* item : kTierCSensors)
                m_sensor->addItem(QString::fromLatin1(item));
        } else {
            for (int item : kTierBSensors)
                m_sensor->addItem(text(item));
        }
    }
    if (trackbars && !b.versionAtLeast(V::kThreeSensors))
        setNoteText(kSensorNote, text(MessageIds::HallThrottleNote));

    if (m_sensor) {
        const int type = b.at(Field::ThrottleSensorType);
        const int item = type == 2 ? 1 : type == 3 ? 2 : 0;
        // A type the list does not offer leaves it without a selection.
        m_sensor->setCurrentIndex(item < m_sensor->count() ? item : -1);
    }

    setSliderSpan(m_motorCurrent, rules.valid(Field::MaxMotorCurrent),
                  b.at(Field::MaxMotorCurrent));
    if (b.versionAtLeast(V::kBatteryCurrent)) {
        setControlEnabled(kBatteryCurrentSlider, true);
        setSliderSpan(m_batteryCurrent, rules.valid(Field::MaxBatteryCurrent),
                      b.at(Field::MaxBatteryCurrent));
    } else {
        setControlEnabled(kBatteryCurrentSlider, false);
    }
    setSliderSpan(m_lowThreshold, rules.valid(Field::LowThresholdVoltage),
                  b.at(Field::LowThresholdVoltage));
    setSliderSpan(m_highThreshold, rules.valid(Field::HighThresholdVoltage),
                  b.at(Field::HighThresholdVoltage));

    setThresholdGroupVisible(b.versionAtLeast(V::kIdentification));
    refreshAllLabels(); // also settles the threshold group by the sensor type
}

int CStep2::chosenStep(const QComboBox* combo)
{
    if (combo == nullptr)
        return -1;
    int index = combo->currentIndex();
    if (combo->isEditable() && (index < 0 || combo->currentText() != combo->itemText(index)))
        index = combo->findText(combo->currentText().trimmed());
    return index;
}

bool CStep2::store()
{
    ConfigBlock& b = block();

    if (positionsAsTrackbars()) {
        if (m_start && m_start->value() >= 0)
            b.set(Field::ThrottleStartPosition, HalfPercent::stored(m_start->value()));
        if (m_end && m_end->value() >= 0)
            b.set(Field::ThrottleEndPosition, HalfPercent::stored(m_end->value()));
    } else {
        // A combo without a choice keeps its nibble; byte 5 is not this software's end position.
        const int start = chosenStep(m_startSteps);
        if (StepPair::fitsNibble(start))
            b.set(Field::ThrottleStartEndSteps,
                  StepPair::withStart(b.at(Field::ThrottleStartEndSteps), start));
        const int end = chosenStep(m_endSteps);
        if (StepPair::fitsNibble(end))
            b.set(Field::ThrottleStartEndSteps,
                  StepPair::withEnd(b.at(Field::ThrottleStartEndSteps), end));
    }

    b.setFlag(Field::FootSwitch, isChecked(kFootEnable));
    // Also before the Forward Switch software: the radios are never set there, so it is cleared.
    b.setFlag(Field::ForwardSwitch, isChecked(kForwardEnable));

    if (m_sensor) {
        const int item = m_sensor->currentIndex();
        b.set(Field::ThrottleSensorType,
              item >= 0 && item <= 2 ? static_cast<std::uint32_t>(item + 1) : 1u);
    }

    if (m_motorCurrent)
        b.set(Field::MaxMotorCurrent, static_cast<std::uint32_t>(m_motorCurrent->value()));
    if (m_batteryCurrent && b.versionAtLeast(V::kBatteryCurrent))
        b.set(Field::MaxBatteryCurrent, static_cast<std::uint32_t>(m_batteryCurrent->value()));

    // The thresholds belong to the Hall throttle, whether or not the group is on show.
    if (secondSensorSelected()) {
        if (m_lowThreshold)
            b.set(Field::LowThresholdVoltage, static_cast<std::uint32_t>(m_lowThreshold->value()));
        if (m_highThreshold)
            b.set(Field::HighThresholdVoltage,
                  static_cast<std::uint32_t>(m_highThreshold->value()));
    }
    return true;
}

void CStep2::refreshLabel(int sliderId)
{
    const auto* slider = control<QSlider>(sliderId);
    if (slider == nullptr)
        return;
    const int position = slider->value();
    switch (sliderId) {
    case kMotorCurrentSlider:
        setControlText(kMotorCurrentLabel, percentText(position));
        break;
    case kBatteryCurrentSlider:
        setControlText(kBatteryCurrentLabel, percentText(position));
        break;
    case kLowThresholdSlider:
        setControlText(kLowThresholdLabel, percentText(position));
        break;
    case kHighThresholdSlider:
        setControlText(kHighThresholdLabel, percentText(position));
        break;
    case kStartSlider:
    case kEndSlider: {
        // Before the threshold software a Hall throttle's span reads in volts.
        const bool volts = secondSensorSelected() && !block().versionAtLeast(V::kIdentification);
        setControlText(sliderId == kStartSlider ? kStartLabel : kEndLabel,
                       volts ? hallVoltText(position) : percentText(position));
        if (sliderId == kStartSlider)
            refreshThresholdGroup();
        break;
    }
    default:
        break;
    }
}

void CStep2::refreshAllLabels()
{
    for (int id : {kStartSlider, kEndSlider, kLowThresholdSlider, kHighThresholdSlider,
                   kMotorCurrentSlider, kBatteryCurrentSlider})
        refreshLabel(id);
}

void CStep2::refreshThresholdGroup()
{
    setThresholdGroupVisible(secondSensorSelected() && block().versionAtLeast(V::kIdentification));
}

void CStep2::setThresholdGroupVisible(bool visible)
{
    for (int id : {kLowThresholdCaption, kHighThresholdCaption, kLowThresholdLabel,
                   kHighThresholdLabel, kLowThresholdSlider, kHighThresholdSlider})
        setControlVisible(id, visible);
}

void CStep2::setNoteText(int id, const QString& note)
{
    auto* label = control<QLabel>(id);
    if (label == nullptr) {
        setControlText(id, note);
        return;
    }
    // The note's place in the template may be smaller than the program's text: wrap it when
    // the place holds several lines, else cut it visibly and keep the whole text as a tip.
    label->setWordWrap(true);
    label->setToolTip(QString());
    label->setText(note);
    const int width = label->width();
    if (width <= 0 || label->heightForWidth(width) <= label->height())
        return;
    label->setWordWrap(false);
    label->setText(label->fontMetrics().elidedText(note, Qt::ElideRight, width));
    label->setToolTip(note);
}

void CStep2::lockFootSwitch()
{
    // With the Forward Switch on, the throttle switch is the forward switch: no foot switch.
    setChecked(kFootDisable, true);
    setChecked(kFootEnable, false);
    setControlEnabled(kFootDisable, false);
    setControlEnabled(kFootEnable, false);
}

void CStep2::unlockFootSwitch()
{
    setControlEnabled(kFootDisable, true);
    setControlEnabled(kFootEnable, true);
}
