// Filter of the professional view: the rows whose field name holds a piece of text.
#pragma once

#include <QSortFilterProxyModel>

class FieldFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit FieldFilterModel(QObject* parent = nullptr);

    // Rows whose field name contains `text`, ignoring case; empty text shows every row.
    void setNameFilter(const QString& text);
    QString nameFilter() const { return m_nameFilter; }

private:
    QString m_nameFilter;
};
