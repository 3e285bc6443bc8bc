// Import mode: the changes a configuration document makes to the connected controller, to be
// written with one click or left alone.
#include "import_window.h"

#include "config_document.h"
#include "controller_access.h"
#include "field_rules.h"
#include "file_io.h"
#include "plausibility_question.h"
#include "view_texts.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

ImportWindow::ImportWindow(ControllerAccess& access, const QString& path,
                           const ConfigBlock& controller, Strings strings, Labels labels,
                           QWidget* parent)
    : QDialog(parent), m_access(access), m_texts(std::move(strings)), m_controller(controller),
      m_next(controller)
{
    m_texts.labels = std::move(labels);
    setWindowTitle(m_texts.text(ViewTexts::ImportTitlePrefix) + QFileInfo(path).fileName());
    auto* layout = new QVBoxLayout(this);
    // Which controller the file goes into, above what changes.
    const ViewTexts& words = m_texts;
    m_identity = {
        {words.text(ViewTexts::ModelLabel), modelDesignation(controller)},
        {words.text(ViewTexts::SerialLabel), fieldValueText(controller, Field::SerialNumber)},
        {words.text(ViewTexts::SoftwareLabel), versionText(controller)},
        {words.text(ViewTexts::PortLabel), access.portName()},
    };
    auto* identity = new QGridLayout;
    identity->setHorizontalSpacing(12);
    for (int i = 0; i < m_identity.size(); ++i) {
        auto* value = new QLabel(m_identity[i].second, this);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        identity->addWidget(new QLabel(m_identity[i].first, this), i / 2, 2 * (i % 2));
        identity->addWidget(value, i / 2, 2 * (i % 2) + 1);
    }
    identity->setColumnStretch(3, 1);
    layout->addLayout(identity);
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels(
        {m_texts.text(ViewTexts::ImportFieldHeading), m_texts.text(ViewTexts::LabelColumn),
         m_texts.text(ViewTexts::ImportControllerHeading),
         m_texts.text(ViewTexts::ImportFileHeading), m_texts.text(ViewTexts::UnitColumn),
         m_texts.text(ViewTexts::MeaningColumn)});
    // The names and values in full; the label takes what room is left.
    m_list->header()->setStretchLastSection(false);
    for (int column : {0, 2, 3, 4, 5})
        m_list->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    layout->addWidget(m_list);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_status);
    auto* buttons = new QDialogButtonBox(this);
    m_write = buttons->addButton(m_texts.text(ViewTexts::ImportWriteButton),
                                 QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(m_texts.text(ViewTexts::ImportCancelButton),
                                  QDialogButtonBox::RejectRole);
    connect(m_write, &QPushButton::clicked, this, &ImportWindow::write);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(820, 460);
    load(path);
}

void ImportWindow::load(const QString& path)
{
    QByteArray data;
    QString why;
    QList<DocumentError> errors;
    ConfigDocument doc;
    bool tooLarge = false;
    if (!readFileCapped(path, kDocumentSizeCap, &data, &why, &tooLarge)) {
        // The system's reason stands as it gives it.
        errors.append({QString(),
                       why,
                       tooLarge ? DocumentError::FileTooLarge : DocumentError::CannotRead,
                       {QFileInfo(path).fileName(), why}});
    } else {
        doc = ConfigDocument::parse(data, &errors);
        if (errors.isEmpty())
            applyDocument(doc, m_controller, {}, &m_next, &errors);
    }
    for (const DocumentError& e : errors)
        m_refusals << m_texts.refusal(e);

    if (!m_refusals.isEmpty()) {
        m_next = m_controller;
        m_status->setText(m_texts.text(ViewTexts::CannotImport) + QLatin1Char('\n') +
                          m_refusals.join(QLatin1Char('\n')));
        m_status->setStyleSheet(QStringLiteral("color: #a00000;"));
    }
    const FieldRules rules(m_controller);
    for (const FieldChange& c : diffBlocks(m_controller, m_next, rules)) {
        auto* item = new QTreeWidgetItem(
            m_list, {QLatin1String(fieldDef(c.field).name), m_texts.label(c.field),
                     m_texts.valueText(c.field, c.before), m_texts.valueText(c.field, c.after),
                     m_texts.word(FieldRules::unitWord(c.field)),
                     m_texts.word(rules.meaningWord(c.field, m_next.get(c.field)))});
        item->setData(0, Qt::UserRole, static_cast<int>(c.field));
    }
    if (m_refusals.isEmpty() && m_list->topLevelItemCount() == 0)
        m_status->setText(m_texts.text(ViewTexts::ImportNothingToWrite));
    m_write->setEnabled(canWrite());
}

bool ImportWindow::canWrite() const
{
    return m_refusals.isEmpty() && m_next != m_controller;
}

QStringList ImportWindow::changes() const
{
    QStringList lines;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_list->topLevelItem(i);
        lines << QStringLiteral("%1: %2 -> %3").arg(item->text(0), item->text(2), item->text(3));
    }
    return lines;
}

void ImportWindow::write()
{
    if (!canWrite())
        return;
    const QList<ImplausiblePair> implausible = newImplausiblePairs(m_controller, m_next);
    if (!implausible.isEmpty()) {
        const QString question =
            implausibleQuestion(implausible, [this](int id) { return m_texts.text(id); });
        const bool yes = askImplausible
                             ? askImplausible(question)
                             : QMessageBox::question(this, windowTitle(), question,
                                                     QMessageBox::Yes | QMessageBox::No,
                                                     QMessageBox::No) == QMessageBox::Yes;
        if (!yes)
            return;
    }
    QString error;
    if (!m_access.write(this, m_controller, m_next, &error)) {
        if (error.isEmpty()) // the user chose not to write
            return;
        if (showError)
            showError(error);
        else
            QMessageBox::warning(this, windowTitle(), error);
        return; // Write stays enabled: the technician may try again
    }
    m_controller = m_next;
    m_write->setEnabled(false);
    // The controller holds the file's values now: the list shows them on both sides.
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        item->setText(2, item->text(3));
    }
    m_status->setStyleSheet(QString());
    m_status->setText(m_texts.text(ViewTexts::ImportWrittenAndVerified));
    m_cancel->setText(m_texts.text(ViewTexts::ImportCloseButton));
    if (!askClose || askClose())
        accept();
}

QString ImportWindow::statusText() const
{
    return m_status->text();
}
