#include "run/thread_run.h"

#include <new>

#include "core/ports/user_cancel.h"

namespace tarvolen {

void ReadAsModel(const RunState& model, const IngestState& modelState, const IngestHooks& hooks,
                 RunState& run, IngestState& state, IngestHooks& own) {
    run.Add = model.Add;
    ApplyAddOptions(run);
    run.MinWordLength = model.MinWordLength;
    run.ListCodePage = model.ListCodePage;
    run.ListHeldElsewhere = ListHeld(model);
    run.Lemmas = model.Lemmas;
    run.Forms = model.Forms;
    state.scanned = modelState.scanned;
    state.named = modelState.named;
    own.streams = hooks.streams;
    own.readSeam = hooks.readSeam;
}

ThreadEnding EndingOfCurrent(std::exception_ptr& failure) {
    try {
        throw;
    } catch (const UserCancel&) {
        return ThreadEnding::Cancelled;
    } catch (const std::bad_alloc&) {
        return ThreadEnding::OutOfMemory;
    } catch (...) {
        failure = std::current_exception();
        return ThreadEnding::Failed;
    }
}

}  // namespace tarvolen
