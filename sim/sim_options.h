// What the simulator serves and how: preset or image, version, faults, files and tracing.
#pragma once

#include "config_block.h"
#include "sim_fault.h"
#include "sim_line.h"

#include <QList>
#include <QString>

struct SimOptions
{
    QString preset = QStringLiteral("full");
    ConfigBlock image; // used instead of the preset's image when hasImage is set
    bool hasImage = false;
    int versionOverride = -1; // major * 256 + minor, or -1 for the preset's (or image's) own
    bool pace = false;        // reply at the pace of 19200 baud 8N1
    int replyDelayMs = 0;     // every reply leaves this much later (a slow line or adapter)
    QList<SimFault> faults;
    QString statePath;   // stored image written here after each commit, when not empty
    QString linkPath;    // symlink to the pty made here, when not empty
    bool trace = false;  // every frame in hex on stderr
    SimLineOptions line; // units one after the other, when line.units > 0
};
