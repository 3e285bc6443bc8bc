// The production station window: one tile per port, readable from a metre away (waiting,
// working with progress, PASS in green or FAIL in red with the reason, the unit's serial
// number), the document's name and fingerprint and the counts of passed and failed units.
#pragma once

#include "station.h"

#include <QMap>
#include <QWidget>

#include <functional>

class QCloseEvent;
class QGridLayout;
class QLabel;
class QProgressBar;
class QPushButton;

class StationWindow : public QWidget
{
    Q_OBJECT

public:
    struct Heading
    {
        QString document; // file name
        QString sha256;
        QString record; // where the record is, for the user
        QString operatorName;
        bool everyPort = false;
    };
    StationWindow(std::function<QString(int)> strings, const Heading& heading,
                  QWidget* parent = nullptr);

    // On the GUI thread.
    void showPort(const PortStatus& status);
    void showUnit(const StationUnit& unit);
    void showRecord(bool works, const QString& error);
    // The station ended: the window may close.
    void setEnded();

    // Asked once when the user closes the window or presses Finish.
    std::function<void()> finishRequested;

    // What a tile shows, for tests: its state line, serial line and reason line.
    QStringList tileTexts(const QString& port) const;
    int tileCount() const { return static_cast<int>(m_tiles.size()); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Tile
    {
        QWidget* frame = nullptr;
        QLabel* port = nullptr;
        QLabel* state = nullptr;
        QLabel* serial = nullptr;
        QLabel* reason = nullptr;
        QProgressBar* progress = nullptr;
    };
    QString text(int id) const;
    Tile& tile(const QString& port);
    void paintTile(Tile& tile, const char* background);
    void requestFinish();

    std::function<QString(int)> m_strings;
    QString m_record;
    QLabel* m_passed = nullptr;
    QLabel* m_failed = nullptr;
    QLabel* m_recordState = nullptr;
    QPushButton* m_finish = nullptr;
    QGridLayout* m_grid = nullptr;
    QMap<QString, Tile> m_tiles;
    QMap<QString, QString> m_reasons; // port → the last unit's reason text
    int m_passedCount = 0;
    int m_failedCount = 0;
    bool m_finishing = false;
    bool m_ended = false;
};

// The string (UnitWritten to UnitWriteFailed) that tells in the window's language why a unit passed
// or failed.
int unitReasonStringId(const UnitImportOutcome& outcome);
