// The steps every mode takes with a controller: search, read and identify, write and verify,
// each behind the progress dialog with the messages the technician knows from the wizard.
#pragma once

#include "config_block.h"
#include "controller_open.h"
#include "controller_transfer.h"
#include "link_worker.h"

#include <QString>
#include <QStringList>

#include <functional>

class Prompter;
struct BackupOutcome;

// Runs a link job behind the progress dialog with that label; true when the job succeeded.
using TransferRunner =
    std::function<bool(const QString& label, const std::function<bool(Link&, ProgressSink&)>&)>;

// Opens the controller behind the progress dialogs the technician knows: "Searching…" naming the
// port being tried, message 164 for each setting a port refuses and, when no controller answered,
// message 103 with what was tried and Retry or Cancel; then "Reading…" and "Identifying…".
OpenOutcome openBehindProgress(const TransferRunner& run, LinkWorker& link, Prompter& prompter,
                               const OpenOptions& options);
// The search alone, as above: the last search's result.
ConnectResult searchBehindProgress(const TransferRunner& run, LinkWorker& link, Prompter& prompter,
                                   const QStringList& ports);

// Writes the block, commits it and reads it back (no identification), behind the progress
// dialog. `previous` is what the controller held before; `texts` gives the progress labels.
WriteOutcome writeAndVerify(const TransferRunner& run, const Prompter& texts,
                            const ConfigBlock& block, const ConfigBlock& previous,
                            const VerifiedWriteOptions& options = {});

// Keeps the controller's image before a write. Where it cannot be kept, asks whether to write
// without it, naming the folder and the reason (default No). True when the write may go on.
bool keepBackupsOrAsk(Prompter& prompter, const QString& folder, const ConfigBlock& image);
// How a write that did not succeed ended, in the module's words.
QString writeFailureText(const WriteOutcome& outcome, const ConfigBlock& written,
                         const Prompter& prompter);
