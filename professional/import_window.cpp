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
                           const ConfigBlock& controller, Strings strings, QWidget* parent)
    : QDialog(parent), m_access(access), m_strings(std::move(strings)), m_controller(controller),
      m_next(controller)
{
    setWindowTitle(text(TitlePrefix, "Import - ") + QFileInfo(path).fileName());
    auto* layout = new QVBoxLayout(this);
    // Which controller the file goes into, above what changes.
    const ViewTexts words(m_strings);
    m_identity = {
        {words.text(ViewTexts::ModelLabel), fieldValueText(controller, Field::ModelPrefix) +
                                                fieldValueText(controller, Field::ModelNumber)},
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
    m_list->setHeaderLabels({text(FieldHeading, "Field"), text(ControllerHeading, "Controller"),
                             text(FileHeading, "File"), words.text(ViewTexts::UnitColumn),
                             words.text(ViewTexts::MeaningColumn)});
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    layout->addWidget(m_list);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_status);
    auto* buttons = new QDialogButtonBox(this);
    m_write = buttons->addButton(text(WriteButton, "&Write"), QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(text(CancelButton, "&Cancel"), QDialogButtonBox::RejectRole);
    connect(m_write, &QPushButton::clicked, this, &ImportWindow::write);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(720, 460);
    load(path);
}

QString ImportWindow::text(int id, const char* fallback) const
{
    const QString s = m_strings ? m_strings(id) : QString();
    return s.isEmpty() ? QString::fromUtf8(fallback) : s;
}

void ImportWindow::load(const QString& path)
{
    QByteArray data;
    QString why;
    QList<DocumentError> errors;
    ConfigDocument doc;
    if (!readFileCapped(path, kDocumentSizeCap, &data, &why)) {
        errors.append({QString(), why});
    } else {
        doc = ConfigDocument::parse(data, &errors);
        if (errors.isEmpty())
            applyDocument(doc, m_controller, {}, &m_next, &errors);
    }
    for (const DocumentError& e : errors)
        m_refusals << e.message;

    if (!m_refusals.isEmpty()) {
        m_next = m_controller;
        m_status->setText(text(CannotImport, "The file cannot be imported:") + QLatin1Char('\n') +
                          m_refusals.join(QLatin1Char('\n')));
        m_status->setStyleSheet(QStringLiteral("color: #a00000;"));
    }
    const ViewTexts words(m_strings);
    const FieldRules rules(m_controller);
    for (const FieldChange& c : diffBlocks(m_controller, m_next, rules)) {
        auto* item = new QTreeWidgetItem(
            m_list, {QLatin1String(fieldDef(c.field).name), words.valueText(c.field, c.before),
                     words.valueText(c.field, c.after), words.phrase(FieldRules::unit(c.field)),
                     words.phrase(rules.meaning(c.field, m_next.get(c.field)))});
        item->setData(0, Qt::UserRole, static_cast<int>(c.field));
    }
    if (m_refusals.isEmpty() && m_list->topLevelItemCount() == 0)
        m_status->setText(text(
            NothingToWrite, "The controller already holds the file's values: nothing to write."));
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
        lines << QStringLiteral("%1: %2 -> %3").arg(item->text(0), item->text(1), item->text(2));
    }
    return lines;
}

void ImportWindow::write()
{
    if (!canWrite())
        return;
    const QList<ImplausiblePair> implausible = newImplausiblePairs(m_controller, m_next);
    if (!implausible.isEmpty()) {
        const QString question = implausibleQuestion(implausible, m_strings);
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
        item->setText(1, item->text(2));
    }
    m_status->setStyleSheet(QString());
    m_status->setText(text(WrittenAndVerified, "Written into the controller and verified: the "
                                               "list shows the controller's values now."));
    m_cancel->setText(text(CloseButton, "&Close"));
    if (!askClose || askClose())
        accept();
}

QString ImportWindow::statusText() const
{
    return m_status->text();
}
