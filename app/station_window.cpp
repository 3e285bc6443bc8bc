// The production station window.
#include "station_window.h"

#include "message_ids.h"
#include "unit_reason.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kTileColumns = 2;
constexpr char kWaiting[] = "#e8e8e8";
constexpr char kWorking[] = "#cfe3ff";
constexpr char kPassed[] = "#2e9e44";
constexpr char kFailed[] = "#c62828";

QLabel* label(int pointSize, bool bold, QWidget* parent)
{
    auto* l = new QLabel(parent);
    QFont font = l->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    l->setFont(font);
    l->setWordWrap(true);
    return l;
}

} // namespace

int unitReasonStringId(const UnitImportOutcome& outcome)
{
    using Result = UnitImportOutcome::Result;
    switch (outcome.result) {
    case Result::Verified:
        return MessageIds::UnitWritten;
    case Result::Unchanged:
        return MessageIds::UnitAlreadyConfigured;
    case Result::ReadFailed:
        return MessageIds::UnitReadFailed;
    case Result::NotServed:
        return MessageIds::UnitNotServed;
    case Result::DocumentRefused:
        return MessageIds::UnitDocumentRefused;
    case Result::Implausible:
        return MessageIds::UnitImplausible;
    case Result::BackupFailed:
        return MessageIds::UnitNoBackup;
    case Result::WriteFailed:
        break;
    }
    return MessageIds::UnitWriteFailed;
}

StationWindow::StationWindow(std::function<QString(int)> strings, const Heading& heading,
                             QWidget* parent)
    : QWidget(parent), m_strings(std::move(strings)), m_record(heading.record)
{
    setWindowTitle(text(MessageIds::StationTitle).arg(heading.document));
    auto* layout = new QVBoxLayout(this);
    auto* document = label(16, true, this);
    document->setText(text(MessageIds::StationDocument).arg(heading.document));
    auto* fingerprint = label(10, false, this);
    fingerprint->setText(text(MessageIds::StationFingerprint).arg(heading.sha256));
    fingerprint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* where = label(10, false, this);
    QStringList whereParts = {text(MessageIds::StationRecord).arg(heading.record)};
    if (!heading.operatorName.isEmpty())
        whereParts << text(MessageIds::StationOperator).arg(heading.operatorName);
    if (heading.everyPort)
        whereParts << text(MessageIds::StationPortsWatched);
    where->setText(whereParts.join(QStringLiteral("    ")));
    layout->addWidget(document);
    layout->addWidget(fingerprint);
    layout->addWidget(where);

    auto* counts = new QHBoxLayout;
    m_passed = label(22, true, this);
    m_failed = label(22, true, this);
    m_passed->setStyleSheet(QStringLiteral("color: %1").arg(QLatin1String(kPassed)));
    m_failed->setStyleSheet(QStringLiteral("color: %1").arg(QLatin1String(kFailed)));
    counts->setSpacing(40);
    counts->addWidget(m_passed);
    counts->addWidget(m_failed);
    counts->addStretch();
    m_finish = new QPushButton(text(MessageIds::StationFinishButton), this);
    connect(m_finish, &QPushButton::clicked, this, &StationWindow::requestFinish);
    counts->addWidget(m_finish);
    layout->addLayout(counts);

    m_recordState = label(12, true, this);
    m_recordState->setStyleSheet(QStringLiteral("color: %1").arg(QLatin1String(kFailed)));
    m_recordState->hide();
    layout->addWidget(m_recordState);

    m_grid = new QGridLayout;
    m_grid->setSpacing(12);
    layout->addLayout(m_grid);
    layout->addStretch();
    m_passed->setText(text(MessageIds::StationPassed).arg(0));
    m_failed->setText(text(MessageIds::StationFailed).arg(0));
    resize(900, 520);
}

QString StationWindow::text(int id) const
{
    QString t = m_strings ? m_strings(id) : QString();
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return t;
}

StationWindow::Tile& StationWindow::tile(const QString& port)
{
    auto it = m_tiles.find(port);
    if (it != m_tiles.end())
        return *it;
    Tile t;
    t.frame = new QWidget(this);
    t.frame->setObjectName(QStringLiteral("tile"));
    t.frame->setAttribute(Qt::WA_StyledBackground);
    t.frame->setMinimumSize(400, 200);
    auto* box = new QVBoxLayout(t.frame);
    t.port = label(12, false, t.frame);
    t.port->setText(port);
    t.state = label(30, true, t.frame);
    t.serial = label(20, true, t.frame);
    t.reason = label(13, false, t.frame);
    t.progress = new QProgressBar(t.frame);
    t.progress->setRange(0, 100);
    for (QWidget* w : {static_cast<QWidget*>(t.port), static_cast<QWidget*>(t.state),
                       static_cast<QWidget*>(t.serial), static_cast<QWidget*>(t.progress),
                       static_cast<QWidget*>(t.reason)})
        box->addWidget(w);
    box->addStretch();
    const int index = static_cast<int>(m_tiles.size());
    m_grid->addWidget(t.frame, index / kTileColumns, index % kTileColumns);
    t.frame->show(); // a port found after the window was shown
    return *m_tiles.insert(port, t);
}

void StationWindow::paintTile(Tile& t, const char* background)
{
    const bool strong = background == kPassed || background == kFailed;
    t.frame->setStyleSheet(
        QStringLiteral("#tile { background: %1; border-radius: 8px; } QLabel { color: %2; }")
            .arg(QLatin1String(background),
                 strong ? QStringLiteral("white") : QStringLiteral("black")));
}

void StationWindow::showPort(const PortStatus& status)
{
    Tile& t = tile(status.port);
    switch (status.phase) {
    case PortPhase::Waiting:
        t.state->setText(text(MessageIds::TileWaiting));
        t.serial->clear();
        t.reason->clear();
        t.progress->hide();
        paintTile(t, kWaiting);
        break;
    case PortPhase::Working:
        t.state->setText(text(MessageIds::TileWorking).arg(status.percent));
        t.serial->setText(
            status.serial.isEmpty() ? QString() : text(MessageIds::TileSerial).arg(status.serial));
        t.reason->clear();
        t.progress->setValue(status.percent);
        t.progress->show();
        paintTile(t, kWorking);
        break;
    case PortPhase::Passed:
    case PortPhase::Failed: {
        const bool passed = status.phase == PortPhase::Passed;
        t.state->setText(text(passed ? MessageIds::TilePass : MessageIds::TileFail));
        t.serial->setText(text(MessageIds::TileSerial).arg(status.serial));
        t.reason->setText(m_reasons.value(status.port));
        t.progress->hide();
        paintTile(t, passed ? kPassed : kFailed);
        break;
    }
    }
}

void StationWindow::showUnit(const StationUnit& unit)
{
    (unit.passed() ? m_passedCount : m_failedCount)++;
    m_passed->setText(text(MessageIds::StationPassed).arg(m_passedCount));
    m_failed->setText(text(MessageIds::StationFailed).arg(m_failedCount));
    // The window's words, and the record's detail beside them for the one who fixes it.
    m_reasons[unit.port] = text(unitReasonStringId(unit.outcome));
    tile(unit.port).reason->setToolTip(unitReasonText(unit.outcome));
}

void StationWindow::showRecord(bool works, const QString& error)
{
    m_recordState->setVisible(!works);
    m_recordState->setText(works ? QString()
                                 : text(MessageIds::RecordFails).arg(m_record, error.simplified()));
}

void StationWindow::setEnded()
{
    m_ended = true;
    m_finish->setEnabled(false);
    if (m_finishing)
        close();
}

void StationWindow::requestFinish()
{
    if (m_finishing)
        return;
    m_finishing = true;
    m_finish->setEnabled(false);
    m_recordState->setText(text(MessageIds::StationFinishing));
    m_recordState->show();
    if (finishRequested)
        finishRequested();
}

void StationWindow::closeEvent(QCloseEvent* event)
{
    if (m_ended) {
        event->accept();
        return;
    }
    // The units in progress end and are recorded first; the window closes after them.
    event->ignore();
    requestFinish();
}

QStringList StationWindow::tileTexts(const QString& port) const
{
    const auto it = m_tiles.find(port);
    if (it == m_tiles.end())
        return {};
    return {it->state->text(), it->serial->text(), it->reason->text()};
}
