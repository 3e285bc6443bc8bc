// Importing a configuration document onto one controller once it is opened: refuse what cannot be
// written, back up, write, commit and verify. norvelctl import plans with it; the station runs it
// whole.
#pragma once

#include "backup_policy.h"
#include "config_block.h"
#include "config_document.h"
#include "controller_open.h"
#include "controller_transfer.h"
#include "open_decision.h"
#include "plausibility.h"

#include <QList>
#include <QString>
#include <QStringList>

struct ImportOptions
{
    bool force = false;    // another model or version, and settings that do not work together
    QStringList only;      // apply only these fields (empty: all the document names)
    bool verify = true;    // read the block back after the commit
    bool noBackup = false; // write even when the controller's image cannot be kept
    QString backupFolder;
};

// What applying a document to a controller's block gives, before anything is written.
struct ImportPlan
{
    enum class Verdict
    {
        Ready,           // changes to write
        Unchanged,       // the controller already holds the document's values
        NotServed,       // a controller the tool does not configure: see open
        DocumentRefused, // the document does not fit the controller: see errors
        Implausible,     // settings that do not work together, without force: see implausible
    };
    Verdict verdict = Verdict::NotServed;
    OpenDecision open;
    ConfigBlock next;
    QList<DocumentError> errors;
    // The legacy control mode left in place goes with this write, converted.
    bool legacyConverted = false;
    // Rules the new block breaks that the controller's did not (listed also under force).
    QList<ImplausiblePair> implausible;
    QList<FieldChange> changes;
};

ImportPlan planImport(const ConfigBlock& current, const ConfigDocument& doc,
                      const ImportOptions& options);

struct UnitImportOutcome
{
    enum class Result
    {
        Verified,        // written, committed and read back equal (or committed, unverified)
        Unchanged,       // nothing to write
        ReadFailed,      // see read.failure
        NotServed,       // see plan.open
        DocumentRefused, // see plan.errors
        Implausible,     // see plan.implausible
        BackupFailed,    // see backup
        WriteFailed,     // see write
    };
    Result result = Result::ReadFailed;
    ReadOutcome read;
    ImportPlan plan;
    BackupOutcome backup;
    WriteOutcome write;

    bool passed() const { return result == Result::Verified || result == Result::Unchanged; }
    // The block read before anything was written, when the read succeeded.
    bool hasBefore() const { return read.ok; }
    // Something was committed and read back: the block the controller holds now.
    bool hasAfter() const;
};

// Imports `doc` onto the controller opened on `link` (still connected); never asks anything.
// A failed open is a failed read.
UnitImportOutcome importOnto(Link& link, const OpenOutcome& opened, const ConfigDocument& doc,
                             const ImportOptions& options, const TransferObserver& observer = {});
