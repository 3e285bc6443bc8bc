// Filter of the professional view: the rows whose field name, label or meaning holds a piece
// of text.
#pragma once

#include "field_rules.h"

#include <QHash>
#include <QSortFilterProxyModel>

class FieldFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit FieldFilterModel(QObject* parent = nullptr);

    // Rows whose field name, page label or meaning contains `text`, ignoring case; empty text
    // shows every row.
    void setNameFilter(const QString& text);
    QString nameFilter() const { return m_nameFilter; }

    // The heading a group shows in the vertical header; groups without one show the rules'
    // name of the group.
    void setGroupTitle(FieldGroup group, const QString& title);
    QString groupTitle(FieldGroup group) const;

    // Vertical header: each group's heading on its first shown row, nothing on the rows below
    // it, so that the header reads as a column of group headings.
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    void groupsMoved();

    QString m_nameFilter;
    QHash<int, QString> m_groupTitles;
};
