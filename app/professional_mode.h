// The professional view as a program run: on the connected controller, or offline on a file.
#pragma once

#include <QString>
#include <QStringList>

class LinkWorker;
class MessagePrompter;
class ResourceModule;

// Online (`openPath` empty): the motor question, the search and read the wizard makes, refusal
// of unserved series, then the view. Offline: the view on the document or image at `openPath`,
// without a controller until Connect. Returns the program's exit code.
int runProfessionalMode(const ResourceModule& resources, LinkWorker& link,
                        MessagePrompter& prompter, const QStringList& ports,
                        const QString& backupDir, const QString& openPath);
