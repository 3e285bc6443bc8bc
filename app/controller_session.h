// The steps every mode takes with a controller: search, read and identify, write and verify,
// each behind the progress dialog with the messages the technician knows from the wizard.
#pragma once

#include "config_block.h"
#include "controller_transfer.h"
#include "link_worker.h"
#include "open_decision.h"

#include <QString>
#include <QStringList>

#include <functional>

class Prompter;
struct BackupOutcome;

// Runs a link job behind the progress dialog with that label; true when the job succeeded.
using TransferRunner =
    std::function<bool(const QString& label, const std::function<bool(Link&, ProgressSink&)>&)>;

// Searches the ports (all candidates when `ports` is empty) until a controller answers: a port
// setting the port refuses raises message 164, no answer message 103 with what was tried and
// Retry or Cancel. True once a controller answered.
// *port gets the device of the controller found.
bool searchController(const TransferRunner& run, LinkWorker& link, Prompter& prompter,
                      const QStringList& ports, QString* port = nullptr);

// Reads the whole block and identifies the controller into *block. A failed read leaves the
// bytes that did arrive. `texts` gives the progress labels.
bool readController(const TransferRunner& run, const Prompter& texts, ConfigBlock* block);

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
