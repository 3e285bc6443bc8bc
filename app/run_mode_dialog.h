// The run-mode page in a dialog of its own, for a start that lets the user pick the mode.
#pragma once

#include <QDialog>

#include <cstdint>

class CStep1;
class QPushButton;
class ResourceModule;

class RunModeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit RunModeDialog(const ResourceModule& resources, QWidget* parent = nullptr);

    // False when the module lacks the page; error() says why.
    bool isValid() const { return m_valid; }
    QString error() const { return m_error; }
    // The mode chosen (CStep1's values), kNoRunMode before a choice.
    std::uint8_t runMode() const;
    QPushButton* okButton() const { return m_ok; }
    CStep1* page() const { return m_page; }

private:
    CStep1* m_page = nullptr;
    QPushButton* m_ok = nullptr;
    bool m_valid = false;
    QString m_error;
};
