// Opening a controller: the search, the read with identification, and what the tool then does
// with the controller, as one outcome that every front end puts into its own words.
#pragma once

#include "config_block.h"
#include "controller_transfer.h"
#include "link.h"
#include "open_decision.h"

#include <QString>
#include <QStringList>

#include <functional>

enum class OpenPhase
{
    Searching,
    Reading,
};

// What a phase reports while it runs, on the thread that runs it.
struct LinkObservers
{
    ConnectObserver connect;
    TransferObserver transfer;
};

// One phase's work on the link. A front end runs it as it must: at once on its own thread, or
// on the link's thread behind a progress dialog of its own, with observers to match.
using OpenJob = std::function<bool(Link&, const LinkObservers&)>;
// Runs the job of that phase; returns its result.
using OpenPhaseRunner = std::function<bool(OpenPhase, const OpenJob&)>;
// Asked after a search in which no controller answered: true to search again.
using SearchAgain = std::function<bool(const ConnectResult&)>;

struct OpenOptions
{
    QStringList ports; // empty: every candidate port
    // False: the link holds the controller already (found by an earlier search); read it only.
    bool search = true;
    // A served controller's legacy control mode is converted in OpenOutcome::block, as the wizard
    // converts it.
    bool convertLegacy = false;
    // The read fills this block; where it fails, the bytes that did not arrive stay as here.
    ConfigBlock start;
};

struct OpenOutcome
{
    enum class Result
    {
        Opened,       // found, read and identified: see decision
        NoController, // no controller answered: see search
        ReadFailed,   // see read.failure
    };
    Result result = Result::NoController;
    ConnectResult search; // the last search; empty when none was asked for
    QString port;         // the device the controller is on, once found
    ReadOutcome read;     // the block as read: every byte that arrived
    OpenDecision decision;
    // Opened: the block to work on, which is read.block with the legacy control mode converted
    // where that was asked for and done.
    ConfigBlock block;
    bool legacyConverted = false;

    bool opened() const { return result == Result::Opened; }
    bool served() const { return opened() && decision.served(); }
};

// Searches the ports until a controller answers, or until `again` (asked after each search that
// found nothing, never when empty) says to stop. The last search's result.
ConnectResult searchController(const OpenPhaseRunner& run, const QStringList& ports,
                               const SearchAgain& again = {});

// Searches as above (unless options say not to), reads and identifies the controller and decides
// what the tool does with it. Nothing is read after a search that found nothing.
OpenOutcome openController(const OpenPhaseRunner& run, const OpenOptions& options,
                           const SearchAgain& again = {});

// The same on the calling thread, with one search only.
OpenOutcome openController(Link& link, const OpenOptions& options = {},
                           const LinkObservers& observers = {});
