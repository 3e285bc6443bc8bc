// Base of every wizard page: a template's widgets, and load/store between them and the block.
#include "page.h"

#include "field_rules.h"
#include "prompter.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <limits>

Page::Page(ConfigBlock& block, Prompter* prompter, QWidget* parent)
    : QWidget(parent), m_block(block), m_prompter(prompter)
{
}

void Page::setForm(QWidget* form)
{
    m_form = form;
    if (form) {
        form->setParent(this);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(form);
        setMinimumSize(form->size());
    }
    // A slider's page step is a fifth of its range, whatever range the page gives it.
    if (form) {
        for (QSlider* slider : form->findChildren<QSlider*>()) {
            slider->setPageStep(std::max(1, (slider->maximum() - slider->minimum()) / 5));
            connect(slider, &QAbstractSlider::rangeChanged, slider, [slider](int min, int max) {
                slider->setPageStep(std::max(1, (max - min) / 5));
            });
        }
    }
    bindControls();
}

void Page::setChecked(int id, bool checked) const
{
    setButtonChecked(control<QAbstractButton>(id), checked);
}

void Page::setPair(int enableId, int disableId, bool on) const
{
    setChecked(enableId, on);
    setChecked(disableId, !on);
}

void Page::storeFlag(Field field, int enableId)
{
    if (control<QAbstractButton>(enableId) != nullptr)
        block().setFlag(field, isChecked(enableId));
}

QString percentText(int percent)
{
    return QStringLiteral("%1%").arg(percent);
}

QString hallVoltText(int percent)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer - 1, percent * 0.03 + 1.0,
                                      std::chars_format::fixed, 1);
    *result.ptr = 'V';
    return QString::fromLatin1(buffer, static_cast<int>(result.ptr + 1 - buffer));
}

void setSliderSpan(QSlider* slider, const ValidValues& valid, int position, int scale)
{
    if (slider == nullptr)
        return;
    slider->setRange(static_cast<int>(valid.min() / scale), static_cast<int>(valid.max() / scale));
    slider->setValue(position); // clamps into the range
}

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

} // namespace

std::optional<int> decimalValue(const QString& text)
{
    const int n = static_cast<int>(text.size());
    int i = 0;
    while (i < n && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // One more than the largest int, so that the most negative int still fits.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    std::int64_t value = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > kLimit)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

bool Page::isChecked(int id) const
{
    const auto* button = control<QAbstractButton>(id);
    return button != nullptr && button->isChecked();
}

void Page::setControlEnabled(int id, bool enabled) const
{
    if (auto* w = control<QWidget>(id))
        w->setEnabled(enabled);
}

void Page::setControlVisible(int id, bool visible) const
{
    if (auto* w = control<QWidget>(id))
        w->setVisible(visible);
}

QString Page::text(int id) const
{
    return m_prompter ? m_prompter->line(id) : QString();
}

void Page::setControlText(int id, const QString& text) const
{
    if (auto* label = control<QLabel>(id))
        label->setText(text);
    else if (auto* button = control<QAbstractButton>(id))
        button->setText(text);
    else if (auto* box = control<QGroupBox>(id))
        box->setTitle(text);
    else if (auto* edit = control<QLineEdit>(id))
        edit->setText(text);
}
