// Import mode as a program run: the motor question, the search and read the wizard makes, then
// the import window.
#pragma once

#include <QString>
#include <QStringList>

class LinkWorker;
class MessagePrompter;
class ResourceModule;

// Returns the program's exit code: 0 when the run ended as the user chose, 1 when the read
// failed.
int runImportMode(const ResourceModule& resources, LinkWorker& link, MessagePrompter& prompter,
                  const QStringList& ports, const QString& backupDir, const QString& file);
