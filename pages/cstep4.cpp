// Temperature, CAN and smooth page: temperature sensor and limits, CAN identifiers, smoothing.
#include "cstep4.h"

#include "field_rules.h"
#include "message_ids.h"
#include "prompter.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <cstdint>
#include <iterator>

namespace {

// Controls of template 148.
enum Control
{
    IdSensorList = 1140,
    IdStopSlider = 1084,
    IdResumeSlider = 1035,
    IdStopLabel = 1039,
    IdResumeLabel = 1040,
    IdCanGroup = 1122,
    IdSendIdCaption = 1123,
    IdReceiveIdCaption = 1124,
    IdSendIdEdit = 1125,
    IdReceiveIdEdit = 1126,
    IdSmoothGroup = 1139,
    IdSmoothCaption = 1138,
    IdSmoothEnable = 1088,
    IdSmoothDisable = 1089,
    IdInflectionSlider = 1085,
    IdLowAccelSlider = 1037,
    IdLowDecelSlider = 1086,
    IdHighAccelSlider = 1132,
    IdHighDecelSlider = 1087,
    IdInflectionLabel = 1041,
    IdLowAccelLabel = 1042,
    IdLowDecelLabel = 1043,
    IdHighAccelLabel = 1044,
    IdHighDecelLabel = 1045,
    IdAutoIdentifyCaption = 1141,
    IdAutoIdentifyEnable = 1090,
    IdAutoIdentifyDisable = 1091,
    IdIdentifyRevCaption = 1142,
    IdIdentifyRevEnable = 1092,
    IdIdentifyRevDisable = 1093,
    IdHallSequenceText = 1046,
};

// The smoothing controls, shown and hidden as one set.
constexpr int kSmoothingControls[] = {
    IdInflectionLabel, IdInflectionSlider, 1133, IdLowAccelLabel,  IdLowAccelSlider,  1134,
    IdLowDecelLabel,   IdLowDecelSlider,   1135, IdHighAccelLabel, IdHighAccelSlider, 1136,
    IdHighDecelLabel,  IdHighDecelSlider,  1137,
};

// A slider over the valid values of its field.
struct SliderDef
{
    int slider;
    int label;
    Field field;
    const char* suffix; // unit after the number in the value label
};

constexpr int kPageStepsPerRange = 5;

constexpr SliderDef kTemperatureSliders[] = {
    {IdStopSlider, IdStopLabel, Field::StopOutputTemperature, "C"},
    {IdResumeSlider, IdResumeLabel, Field::ResumeOutputTemperature, "C"},
};

constexpr SliderDef kSmoothingSliders[] = {
    {IdInflectionSlider, IdInflectionLabel, Field::InflectionPoint, ""},
    {IdLowAccelSlider, IdLowAccelLabel, Field::LowAccel, ""},
    {IdLowDecelSlider, IdLowDecelLabel, Field::LowDecel, ""},
    {IdHighAccelSlider, IdHighAccelLabel, Field::HighAccel, ""},
    {IdHighDecelSlider, IdHighDecelLabel, Field::HighDecel, ""},
};

// A slider's range, its page step of one fifth of that range (the template's step suits only
// the default 0..100) and its position, clamped into the range.
void setRangeAndValue(QSlider* slider, const ValidValues& valid, int value)
{
    const auto min = static_cast<int>(valid.min());
    const auto max = static_cast<int>(valid.max());
    slider->setRange(min, max);
    slider->setPageStep(qMax(1, (max - min) / kPageStepsPerRange));
    slider->setValue(value);
}

const SliderDef* sliderDef(int sliderId)
{
    for (const auto& def : kTemperatureSliders)
        if (def.slider == sliderId)
            return &def;
    for (const auto& def : kSmoothingSliders)
        if (def.slider == sliderId)
            return &def;
    return nullptr;
}

// Sensor items: the two thermistor types arrived with software 0404.
// The thermistor types stand as they are; the other items are the module's words.
const char* const kSensorItemsThermistor[] = {nullptr, "KTY83-122", "KTY84-130"};
constexpr int kSensorItemsSwitch[] = {MessageIds::DisableItem, MessageIds::EnableItem};
constexpr int kSensorItemForOtherValues = 1;
// Sensor value n is item n of the longer list.
constexpr int kMaxSensorItem = static_cast<int>(std::size(kSensorItemsThermistor)) - 1;

// The hall phase sequence is shown as characters counted from '0'.
constexpr int kDigitBase = '0';

} // namespace

void CStep4::bindControls()
{
    auto connectSlider = [this](const SliderDef& def) {
        if (auto* slider = control<QSlider>(def.slider)) {
            const int id = def.slider;
            connect(slider, &QSlider::valueChanged, this, [this, id] { refreshValueLabel(id); });
        }
    };
    for (const auto& def : kTemperatureSliders)
        connectSlider(def);
    for (const auto& def : kSmoothingSliders)
        connectSlider(def);
    if (auto* enable = control<QAbstractButton>(IdSmoothEnable))
        connect(enable, &QAbstractButton::clicked, this, [this] { onSmoothClicked(true); });
    if (auto* disable = control<QAbstractButton>(IdSmoothDisable))
        connect(disable, &QAbstractButton::clicked, this, [this] { onSmoothClicked(false); });
}

void CStep4::load()
{
    const FieldRules rules(block());
    const bool thermistors = block().versionAtLeast(SoftwareVersions::kThermistors);
    const bool smoothing = block().versionAtLeast(SoftwareVersions::kThermistors);
    const bool identification = block().versionAtLeast(SoftwareVersions::kIdentification);

    // Sensor list: rebuilt at every load, since the items depend on the version.
    if (auto* list = control<QComboBox>(IdSensorList)) {
        list->clear();
        if (thermistors) {
            for (const char* item : kSensorItemsThermistor)
                list->addItem(item ? QString::fromLatin1(item) : text(MessageIds::DisableItem));
        } else {
            for (int item : kSensorItemsSwitch)
                list->addItem(text(item));
        }
        const auto sensor = static_cast<int>(block().get(Field::MotorTemperatureSensor));
        const int item = sensor <= kMaxSensorItem ? sensor : kSensorItemForOtherValues;
        // A thermistor type on older software has no item: the list shows no selection.
        list->setCurrentIndex(item < list->count() ? item : -1);
    }

    for (const auto& def : kTemperatureSliders) {
        if (auto* slider = control<QSlider>(def.slider))
            setRangeAndValue(slider, rules.valid(def.field),
                             static_cast<int>(block().get(def.field)));
    }

    // CAN identifiers exist only on the CAN variant.
    const bool can = rules.identity().canVariant();
    if (can) {
        setControlText(IdSendIdEdit, QString::number(block().get(Field::SendId)));
        setControlText(IdReceiveIdEdit, QString::number(block().get(Field::ReceiveId)));
    }
    for (int id : {IdSendIdEdit, IdReceiveIdEdit, IdSendIdCaption, IdReceiveIdCaption})
        setControlVisible(id, can);

    // Automatic hall identification and reverse output.
    if (identification) {
        QString sequence;
        for (char c : block().raw(Field::HallPhaseSequence)) {
            const int code = (kDigitBase + static_cast<std::uint8_t>(c)) & 0xFF;
            if (code == 0)
                break;
            sequence += QChar(code);
        }
        // Only the text: whether it shows is the template's choice.
        setControlText(IdHallSequenceText, sequence);
        const bool autoIdentify = block().flag(Field::AutoIdentify);
        setChecked(IdAutoIdentifyEnable, autoIdentify);
        setChecked(IdAutoIdentifyDisable, !autoIdentify);
        const bool identifyRev = block().flag(Field::IdentifyRev);
        setChecked(IdIdentifyRevEnable, identifyRev);
        setChecked(IdIdentifyRevDisable, !identifyRev);
    }
    for (int id : {IdAutoIdentifyEnable, IdAutoIdentifyDisable, IdAutoIdentifyCaption,
                   IdIdentifyRevEnable, IdIdentifyRevDisable, IdIdentifyRevCaption})
        setControlVisible(id, identification);

    // Smoothing: the group and its Enable/Disable pair exist from 0404; the sliders show only
    // while Smooth is enabled.
    if (smoothing) {
        const bool smooth = block().flag(Field::Smooth);
        setChecked(IdSmoothEnable, smooth);
        setChecked(IdSmoothDisable, !smooth);
        setSmoothingControlsVisible(smooth);
    } else {
        setSmoothingControlsVisible(false);
    }
    for (int id : {IdSmoothEnable, IdSmoothDisable, IdSmoothCaption, IdSmoothGroup})
        setControlVisible(id, smoothing);

    // The smoothing sliders are loaded whatever the version, so that enabling Smooth shows
    // the controller's values.
    for (const auto& def : kSmoothingSliders) {
        if (auto* slider = control<QSlider>(def.slider))
            setRangeAndValue(slider, rules.valid(def.field),
                             static_cast<int>(block().get(def.field)));
    }

    for (const auto& def : kTemperatureSliders)
        refreshValueLabel(def.slider);
    for (const auto& def : kSmoothingSliders)
        refreshValueLabel(def.slider);
}

bool CStep4::store()
{
    if (const auto* list = control<QComboBox>(IdSensorList)) {
        const int item = list->currentIndex();
        if (item >= 0 && item <= kMaxSensorItem)
            block().set(Field::MotorTemperatureSensor, static_cast<std::uint32_t>(item));
    }
    for (const auto& def : kTemperatureSliders)
        storeSlider(def.slider, def.field);

    if (ControllerIdentity::of(block()).canVariant()) {
        // A refused identifier stops the store: what follows keeps its block values.
        if (!storeIdentifier(IdSendIdEdit, Field::SendId, MessageIds::SendIdRange))
            return false;
        if (!storeIdentifier(IdReceiveIdEdit, Field::ReceiveId, MessageIds::ReceiveIdRange))
            return false;
    }

    if (block().versionAtLeast(SoftwareVersions::kIdentification)) {
        storeFlag(Field::AutoIdentify, IdAutoIdentifyEnable);
        storeFlag(Field::IdentifyRev, IdIdentifyRevEnable);
    }
    if (block().versionAtLeast(SoftwareVersions::kThermistors)) {
        storeFlag(Field::Smooth, IdSmoothEnable);
        // With Smooth disabled the controller keeps its smoothing values.
        if (block().flag(Field::Smooth)) {
            for (const auto& def : kSmoothingSliders)
                storeSlider(def.slider, def.field);
        }
    }
    return true;
}

void CStep4::setSmoothingControlsVisible(bool visible) const
{
    for (int id : kSmoothingControls)
        setControlVisible(id, visible);
}

void CStep4::onSmoothClicked(bool enable)
{
    setChecked(enable ? IdSmoothDisable : IdSmoothEnable, false);
    setChecked(enable ? IdSmoothEnable : IdSmoothDisable, true);
    setSmoothingControlsVisible(enable);
}

void CStep4::refreshValueLabel(int sliderId) const
{
    const SliderDef* def = sliderDef(sliderId);
    const auto* slider = control<QSlider>(sliderId);
    if (def == nullptr || slider == nullptr)
        return;
    setControlText(def->label, QString::number(slider->value()) + QLatin1String(def->suffix));
}

void CStep4::storeSlider(int sliderId, Field field)
{
    if (const auto* slider = control<QSlider>(sliderId))
        block().set(field, static_cast<std::uint32_t>(slider->value()));
}

bool CStep4::storeIdentifier(int editId, Field field, int message)
{
    auto* edit = control<QLineEdit>(editId);
    if (edit == nullptr)
        return true;
    const std::optional<int> value = decimalValue(edit->text());
    if (!value || !FieldRules(block()).valid(field).contains(*value)) {
        if (prompter())
            prompter()->tell(text(message), Prompter::Buttons::Ok, Prompter::Icon::Warning);
        edit->setFocus(Qt::OtherFocusReason);
        return false;
    }
    block().set(field, static_cast<std::uint32_t>(*value));
    return true;
}
