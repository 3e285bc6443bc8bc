// The fields in which this configuration and another differ, side by side.
#include "comparison_dialog.h"

#include "view_texts.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

ComparisonDialog::ComparisonDialog(const QString& otherName, const QList<FieldChange>& changes,
                                   const ViewTexts& texts, QWidget* parent)
    : QDialog(parent), m_changes(changes)
{
    setWindowTitle(texts.text(ViewTexts::CompareTitle).arg(otherName));
    auto* layout = new QVBoxLayout(this);

    m_summary =
        new QLabel(changes.isEmpty() ? texts.text(ViewTexts::NoDifference)
                                     : texts.text(ViewTexts::DifferCount).arg(changes.size()),
                   this);
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);

    m_table = new QTableWidget(static_cast<int>(changes.size()), 3, this);
    m_table->setHorizontalHeaderLabels(
        {texts.text(ViewTexts::NameColumn), texts.text(ViewTexts::ThisHeading), otherName});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    for (int row = 0; row < changes.size(); ++row) {
        const FieldChange& c = changes.at(row);
        const QStringList cells = {QString::fromLatin1(fieldDef(c.field).name),
                                   texts.valueText(c.field, c.before),
                                   texts.valueText(c.field, c.after)};
        for (int column = 0; column < cells.size(); ++column)
            m_table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setVisible(!changes.isEmpty());
    layout->addWidget(m_table, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_takeOver = buttons->addButton(texts.text(ViewTexts::TakeOver), QDialogButtonBox::ApplyRole);
    m_takeOver->setToolTip(texts.text(ViewTexts::TakeOverTip));
    m_takeOver->setEnabled(!changes.isEmpty());
    connect(m_takeOver, &QPushButton::clicked, this, [this] {
        emit takeOverRequested();
        accept();
    });
    layout->addWidget(buttons);
    buttons->button(QDialogButtonBox::Close)->setText(texts.text(ViewTexts::CloseAction));
    buttons->button(QDialogButtonBox::Close)->setFocus();

    // Wide enough for the three columns without a scroll bar; as tall as the rows, up to a
    // screenful.
    const QMargins margins = layout->contentsMargins();
    const int width = m_table->verticalHeader()->width() + m_table->horizontalHeader()->length() +
                      2 * m_table->frameWidth() + margins.left() + margins.right();
    const int rowsHeight =
        m_table->horizontalHeader()->sizeHint().height() +
        m_table->verticalHeader()->defaultSectionSize() * static_cast<int>(changes.size()) +
        2 * m_table->frameWidth();
    const int height = m_summary->sizeHint().height() + buttons->sizeHint().height() +
                       margins.top() + margins.bottom() + 2 * layout->spacing() +
                       (changes.isEmpty() ? 0 : rowsHeight);
    resize(qBound(360, width + 24, 900), qMin(height, 600));
}

QList<QStringList> ComparisonDialog::rows() const
{
    QList<QStringList> rows;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < m_table->columnCount(); ++column)
            cells.append(m_table->item(row, column)->text());
        rows.append(cells);
    }
    return rows;
}

QString ComparisonDialog::summary() const
{
    return m_summary->text();
}
