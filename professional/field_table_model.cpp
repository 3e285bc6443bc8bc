// Table model of the professional view: every field the controller uses, editable in place.
#include "field_table_model.h"

#include "configuration_session.h"
#include "field_table_model_support.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Changed rows: bold, dark text on a pale amber background, readable on any palette.
const QColor kChangedBackground(0xFF, 0xEC, 0xB3);
const QColor kChangedForeground(0x20, 0x20, 0x20);

// A whole number out of an editor's or a caller's value; false for anything else (fractions,
// text that is no number, booleans for numeric fields).
bool wholeNumber(const QVariant& value, std::int64_t* result)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
        *result = value.toLongLong();
        return true;
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong u = value.toULongLong();
        if (u > static_cast<qulonglong>(std::numeric_limits<std::int64_t>::max()))
            return false;
        *result = static_cast<std::int64_t>(u);
        return true;
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        constexpr double kExact = 9007199254740992.0; // 2^53: every whole double below is exact
        if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) > kExact)
            return false;
        *result = static_cast<std::int64_t>(d);
        return true;
    }
    case QMetaType::QString: {
        bool ok = false;
        const qlonglong n = value.toString().trimmed().toLongLong(&ok, 10);
        if (ok)
            *result = n;
        return ok;
    }
    default:
        return false;
    }
}

} // namespace

using namespace FieldTableModelSupport;

FieldTableModel::FieldTableModel(QObject* parent) : QAbstractTableModel(parent)
{
    rebuildRows();
}

void FieldTableModel::setBlocks(const ConfigBlock& edited, const ConfigBlock& controller)
{
    const FieldRules rules(edited);
    const QList<Field> fields = rules.settingFields();
    if (fields != m_fields) {
        beginResetModel();
        m_edited = edited;
        m_controller = controller;
        m_rules = rules;
        m_fields = fields;
        endResetModel();
        return;
    }
    m_edited = edited;
    m_controller = controller;
    m_rules = rules;
    if (!m_fields.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void FieldTableModel::setBackup(std::optional<ConfigBlock> backup)
{
    m_backup = std::move(backup);
    if (!m_fields.isEmpty())
        emit dataChanged(index(0, BackupColumn), index(rowCount() - 1, BackupColumn));
}

void FieldTableModel::resetToController()
{
    setBlocks(m_controller, m_controller);
}

void FieldTableModel::setTexts(const ViewTexts& texts)
{
    m_texts = texts;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_fields.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

QString FieldTableModel::flagText(const ConfigBlock& block, Field f) const
{
    return m_texts.valueText(f, fieldValueText(block, f));
}

void FieldTableModel::rebuildRows()
{
    m_fields = m_rules.settingFields();
}

bool FieldTableModel::isChanged(int row) const
{
    if (row < 0 || row >= m_fields.size())
        return false;
    return fieldDiffers(m_edited, m_controller, m_fields.at(row));
}

QList<Field> FieldTableModel::changedFields() const
{
    QList<Field> fields;
    for (int row = 0; row < m_fields.size(); ++row)
        if (isChanged(row))
            fields.append(m_fields.at(row));
    return fields;
}

bool FieldTableModel::isEditable(Field f) const
{
    if (!m_rules.writable(f))
        return false;
    // The wizard locks the foot switch off while the forward switch is on.
    const std::optional<Field> holder = heldBy(m_edited, f);
    return !(holder && m_rules.used(*holder));
}

int FieldTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_fields.size());
}

int FieldTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FieldTableModel::valueData(Field f, int role) const
{
    const FieldKind kind = fieldDef(f).kind;
    switch (role) {
    case Qt::DisplayRole:
        if (kind == FieldKind::Flag)
            return {}; // the check box says it
        if (kind == FieldKind::Number)
            return static_cast<int>(m_edited.get(f));
        return fieldValueText(m_edited, f);
    case Qt::EditRole:
        if (kind == FieldKind::Flag)
            return m_edited.flag(f);
        if (kind == FieldKind::Number)
            return static_cast<int>(m_edited.get(f));
        return fieldValueText(m_edited, f);
    case Qt::CheckStateRole:
        if (kind == FieldKind::Flag)
            return m_edited.flag(f) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::ToolTipRole:
        if (!m_rules.writable(f))
            return m_texts.text(ViewTexts::FixedTip);
        if (!isEditable(f))
            return m_texts.text(ViewTexts::ForwardSwitchTip);
        // A flag's words are those of the Controller column.
        if (kind == FieldKind::Flag)
            return m_texts.text(ViewTexts::ValidTip)
                .arg(m_texts.text(ViewTexts::TrueText) + m_texts.text(ViewTexts::SpanSeparator) +
                     m_texts.text(ViewTexts::FalseText));
        return m_texts.text(ViewTexts::ValidTip).arg(m_texts.validText(m_rules.valid(f)));
    default:
        return {};
    }
}

QVariant FieldTableModel::rowMark(int row, int role) const
{
    if (!isChanged(row))
        return {};
    switch (role) {
    case Qt::FontRole: {
        QFont font;
        font.setBold(true);
        return font;
    }
    case Qt::BackgroundRole:
        return QBrush(kChangedBackground);
    case Qt::ForegroundRole:
        return QBrush(kChangedForeground);
    default:
        return {};
    }
}

QVariant FieldTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_fields.size() || index.column() >= ColumnCount)
        return {};
    const int row = index.row();
    const Field f = m_fields.at(row);

    switch (role) {
    case FieldRole:
        return QVariant::fromValue(f);
    case GroupRole:
        return static_cast<int>(group(row));
    case GroupNameRole:
        return QString::fromLatin1(fieldGroupName(group(row)));
    case ChangedRole:
        return isChanged(row);
    case ValidValuesRole:
        return QVariant::fromValue(m_rules.valid(f));
    case ChoicesRole:
        return QVariant::fromValue(fieldChoices(m_rules, f, m_texts));
    case Qt::FontRole:
    case Qt::BackgroundRole:
    case Qt::ForegroundRole:
        return rowMark(row, role);
    default:
        break;
    }

    switch (index.column()) {
    case NameColumn:
        if (role == Qt::DisplayRole)
            return name(f);
        if (role == Qt::ToolTipRole)
            return m_texts.label(f);
        return {};
    case LabelColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return m_texts.label(f);
        return {};
    case ValueColumn:
        return valueData(f, role);
    case UnitColumn:
        if (role == Qt::DisplayRole)
            return m_texts.word(FieldRules::unitWord(f));
        return {};
    case MeaningColumn:
        if (role == Qt::DisplayRole)
            return m_texts.word(m_rules.meaningWord(f, m_edited.get(f)));
        return {};
    case ControllerColumn:
        if (role == Qt::DisplayRole)
            return flagText(m_controller, f);
        return {};
    case BackupColumn:
        if (role == Qt::DisplayRole && m_backup)
            return flagText(*m_backup, f);
        return {};
    default:
        return {};
    }
}

QVariant FieldTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) {
        switch (section) {
        case NameColumn:
            return m_texts.text(ViewTexts::NameColumn);
        case LabelColumn:
            return m_texts.text(ViewTexts::LabelColumn);
        case ValueColumn:
            return m_texts.text(ViewTexts::ValueColumn);
        case UnitColumn:
            return m_texts.text(ViewTexts::UnitColumn);
        case MeaningColumn:
            return m_texts.text(ViewTexts::MeaningColumn);
        case ControllerColumn:
            return m_texts.text(ViewTexts::ControllerColumn);
        case BackupColumn:
            return m_texts.text(ViewTexts::BackupColumn);
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole) {
        if (section == ControllerColumn)
            return m_texts.text(ViewTexts::ControllerColumnTip);
        if (section == BackupColumn)
            return m_texts.text(ViewTexts::BackupColumnTip);
    }
    return {};
}

Qt::ItemFlags FieldTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= m_fields.size())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    const Field f = m_fields.at(index.row());
    if (index.column() != ValueColumn || !isEditable(f))
        return flags;
    switch (fieldDef(f).kind) {
    case FieldKind::Flag:
        return flags | Qt::ItemIsUserCheckable;
    case FieldKind::Number:
        return flags | Qt::ItemIsEditable;
    default:
        return flags;
    }
}

bool FieldTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != ValueColumn || index.row() >= m_fields.size())
        return false;
    const Field f = m_fields.at(index.row());
    std::int64_t number = 0;
    switch (fieldDef(f).kind) {
    case FieldKind::Flag:
        if (role == Qt::CheckStateRole) {
            bool ok = false;
            const int state = value.toInt(&ok);
            if (!ok || (state != Qt::Checked && state != Qt::Unchecked))
                return refuse(f, m_texts.text(ViewTexts::OnOffRefusal).arg(name(f)));
            number = state == Qt::Checked ? 1 : 0;
        } else if (role == Qt::EditRole) {
            if (value.typeId() == QMetaType::Bool)
                number = value.toBool() ? 1 : 0;
            else if (!wholeNumber(value, &number))
                return refuse(f, m_texts.text(ViewTexts::OnOffRefusal).arg(name(f)));
        } else {
            return false;
        }
        break;
    case FieldKind::Number:
        if (role != Qt::EditRole)
            return false;
        if (!wholeNumber(value, &number))
            return refuse(f, m_texts.text(ViewTexts::WholeNumberRefusal)
                                 .arg(name(f), m_texts.validText(m_rules.valid(f))));
        break;
    default:
        return refuse(f, m_texts.text(ViewTexts::FixedRefusal).arg(name(f)));
    }
    return setFieldValue(f, number);
}
