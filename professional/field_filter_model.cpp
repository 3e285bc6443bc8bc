// Filter of the professional view: the rows whose field name, label or meaning holds a piece
// of text.
#include "field_filter_model.h"

#include "field_table_model.h"

#include <QFont>

FieldFilterModel::FieldFilterModel(QObject* parent) : QSortFilterProxyModel(parent)
{
    // Which row opens a group changes with the rows shown.
    connect(this, &QAbstractItemModel::rowsInserted, this, &FieldFilterModel::groupsMoved);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &FieldFilterModel::groupsMoved);
    connect(this, &QAbstractItemModel::modelReset, this, &FieldFilterModel::groupsMoved);
    connect(this, &QAbstractItemModel::layoutChanged, this, &FieldFilterModel::groupsMoved);
}

void FieldFilterModel::setNameFilter(const QString& text)
{
    m_nameFilter = text.trimmed();
    invalidateFilter();
}

bool FieldFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (m_nameFilter.isEmpty())
        return true;
    for (int column : {FieldTableModel::NameColumn, FieldTableModel::LabelColumn,
                       FieldTableModel::MeaningColumn}) {
        const QString text =
            sourceModel()->index(sourceRow, column, sourceParent).data().toString();
        if (text.contains(m_nameFilter, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void FieldFilterModel::setGroupTitle(FieldGroup group, const QString& title)
{
    m_groupTitles.insert(static_cast<int>(group), title);
    groupsMoved();
}

QString FieldFilterModel::groupTitle(FieldGroup group) const
{
    const QString title = m_groupTitles.value(static_cast<int>(group));
    return title.isEmpty() ? QString::fromLatin1(fieldGroupName(group)) : title;
}

QVariant FieldFilterModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal)
        return QSortFilterProxyModel::headerData(section, orientation, role);
    if (section < 0 || section >= rowCount())
        return {};
    const QVariant group = index(section, 0).data(FieldTableModel::GroupRole);
    if (!group.isValid())
        return {};
    const auto groupOf = [this](int row) { return index(row, 0).data(FieldTableModel::GroupRole); };
    const bool opensGroup = section == 0 || groupOf(section - 1) != group;
    switch (role) {
    case Qt::DisplayRole:
        return opensGroup ? groupTitle(static_cast<FieldGroup>(group.toInt())) : QString();
    case Qt::ToolTipRole:
        return groupTitle(static_cast<FieldGroup>(group.toInt()));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::FontRole:
        if (opensGroup) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    default:
        return {};
    }
}

void FieldFilterModel::groupsMoved()
{
    if (rowCount() > 0)
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}
