// Message boxes with the texts of the loaded resource module.
#pragma once

#include "prompter.h"

class QWidget;
class ResourceModule;

class MessagePrompter : public Prompter
{
public:
    explicit MessagePrompter(const ResourceModule& resources) : m_resources(resources) {}

    // Message boxes are centred over this window once it exists.
    void setParentWindow(QWidget* parent) { m_parent = parent; }

    Answer ask(int stringId, Buttons buttons, Icon icon, const QString& details) override;
    Answer askFilled(int stringId, const QStringList& args, Buttons buttons, Icon icon) override;
    Answer tell(const QString& text, Buttons buttons, Icon icon) override;
    QString text(int stringId) const override;

private:
    Answer show(const QString& text, const QString& details, Buttons buttons, Icon icon);

public:
private:
    const ResourceModule& m_resources;
    QWidget* m_parent = nullptr;
};
