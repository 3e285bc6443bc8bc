// Filter of the professional view: the rows whose field name holds a piece of text.
#include "field_filter_model.h"

#include "field_table_model.h"

FieldFilterModel::FieldFilterModel(QObject* parent) : QSortFilterProxyModel(parent)
{
    setFilterKeyColumn(FieldTableModel::NameColumn);
    setFilterCaseSensitivity(Qt::CaseInsensitive);
}

void FieldFilterModel::setNameFilter(const QString& text)
{
    m_nameFilter = text.trimmed();
    setFilterFixedString(m_nameFilter);
}
