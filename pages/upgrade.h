// Upgrade dialog: an empty modal dialog on its template, opened by nothing in the program yet.
#pragma once

#include <QDialog>

class Upgrade : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kTemplateId = 153;

    explicit Upgrade(QWidget* parent = nullptr);

    // Takes the dialog built from the template as the content: its caption and size become the
    // dialog's. A null form (a module without the template) leaves an empty, untitled dialog.
    void setForm(QWidget* form);
    QWidget* form() const { return m_form; }

private:
    QWidget* m_form = nullptr;
};
