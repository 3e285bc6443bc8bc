// Opening a controller: search, read and identify, then the decision.
#include "controller_open.h"

ConnectResult searchController(const OpenPhaseRunner& run, const QStringList& ports,
                               const SearchAgain& again)
{
    for (;;) {
        // The job fills the result on the thread that runs it; the runner returns after it ended.
        ConnectResult result;
        run(OpenPhase::Searching, [&result, &ports](Link& link, const LinkObservers& observers) {
            result = link.ConnectController(ports, observers.connect);
            return result.connected;
        });
        if (result.connected || !again || !again(result))
            return result;
    }
}

OpenOutcome openController(const OpenPhaseRunner& run, const OpenOptions& options,
                           const SearchAgain& again)
{
    OpenOutcome outcome;
    outcome.read.block = options.start;
    if (options.search) {
        outcome.search = searchController(run, options.ports, again);
        if (!outcome.search.connected)
            return outcome; // NoController
        outcome.port = outcome.search.port;
    }
    run(OpenPhase::Reading, [&outcome](Link& link, const LinkObservers& observers) {
        outcome.port = link.portPath();
        outcome.read = readController(link, outcome.read.block, observers.transfer);
        return outcome.read.ok;
    });
    if (!outcome.read.ok) {
        outcome.result = OpenOutcome::Result::ReadFailed;
        return outcome;
    }
    outcome.result = OpenOutcome::Result::Opened;
    outcome.decision = decideOpen(outcome.read.block);
    outcome.block = outcome.read.block;
    // A controller the tool refuses is left as it is.
    if (options.convertLegacy && outcome.decision.served())
        outcome.legacyConverted = convertLegacyControlMode(outcome.block);
    return outcome;
}

OpenOutcome openController(Link& link, const OpenOptions& options, const LinkObservers& observers)
{
    return openController(
        [&link, &observers](OpenPhase, const OpenJob& job) { return job(link, observers); },
        options);
}
