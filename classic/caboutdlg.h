// About box: the program's icon, name and legal notice, closed by OK.
#pragma once

#include <QDialog>
#include <QString>

class ResourceModule;

class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kTemplateId = 100;
    static constexpr int kIconId = 159;
    static constexpr int IdOk = 1;

    explicit CAboutDlg(const ResourceModule& resources, QWidget* parent = nullptr);

    // False when the template could not be loaded (the reason is in error()).
    bool isValid() const { return m_form != nullptr; }
    QString error() const { return m_error; }
    QWidget* form() const { return m_form; }

private:
    QWidget* m_form = nullptr;
    QString m_error;
};
