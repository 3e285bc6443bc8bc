// The steps every mode takes with a controller: search, read and identify, write and verify,
// each behind the progress dialog with the messages the technician knows from the wizard.
#pragma once

#include "config_block.h"
#include "link_worker.h"

#include <QString>
#include <QStringList>

#include <functional>

class Prompter;

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

// How a verified write ended.
enum class VerifiedWrite
{
    Verified,  // committed and read back equal
    Failed,    // an exchange failed: the commit or the read-back got no valid answer
    NotStored, // committed, but the block read back differs
};

// Writes the block, commits it and reads it back (no identification). *readBack gets what the
// controller holds afterwards, version bytes as written; on NotStored *mismatch says which field
// and byte differ ("Regeneration (byte 1) reads back as true, written false").
VerifiedWrite writeAndVerify(const TransferRunner& run, const Prompter& texts,
                             const ConfigBlock& block, ConfigBlock* readBack,
                             QString* mismatchField = nullptr, int* mismatchOffset = nullptr);

// The message that refuses this controller, or 0 when the tool serves it: 107 for a series
// it does not serve, 111 for a special version.
int refusalMessage(const ConfigBlock& block);
// Converts the legacy control mode 2 to torque mode, as the controller's newer software
// expects; true when it did (message 108 tells the user).
bool convertLegacyControlMode(ConfigBlock& block);
