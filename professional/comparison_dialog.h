// The fields in which this configuration and another differ, side by side.
#pragma once

#include "config_document.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QTableWidget;
class ViewTexts;

class ComparisonDialog : public QDialog
{
    Q_OBJECT

public:
    // `otherName` names the other side (a file's name, a backup); each change holds this
    // configuration's value as `before` and the other's as `after`.
    ComparisonDialog(const QString& otherName, const QList<FieldChange>& changes,
                     const ViewTexts& texts, QWidget* parent = nullptr);

    const QList<FieldChange>& changes() const { return m_changes; }
    // The rows as shown: field, this, other.
    QList<QStringList> rows() const;
    QString summary() const;
    // Take Over: the other side's values go into the table as edits.
    QPushButton* takeOverButton() const { return m_takeOver; }

signals:
    void takeOverRequested();

private:
    QList<FieldChange> m_changes;
    QLabel* m_summary = nullptr;
    QTableWidget* m_table = nullptr;
    QPushButton* m_takeOver = nullptr;
};
