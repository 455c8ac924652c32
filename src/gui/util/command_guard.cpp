#include "gui/util/command_guard.h"

#include <exception>
#include <new>

#include "core/ingest/store_reports.h"
#include "core/output/my_exception.h"
#include "core/ports/messages.h"
#include "core/ports/user_cancel.h"

namespace tarvolen {

void RunGuarded(MessagePort& messages, const std::function<void()>& command) {
    try {
        command();
    } catch (const CMyException& error) {
        messages.ShowMessage(error.GetMessage(), MessageIcon::Stop);
    } catch (const UserCancel&) {
        // The person cancelled a long operation: it has cleaned up, nothing to say.
    } catch (const std::bad_alloc&) {
        // Said as the store says it: the command has let go of what it took, and the
        // list is still there to be saved or made smaller.
        messages.ShowMessage(kGrowthFailedText, MessageIcon::Stop);
    } catch (const std::exception& error) {
        messages.ShowMessage(error.what(), MessageIcon::Stop);
    } catch (...) {
        messages.ShowMessage("An unexpected error ended the command.", MessageIcon::Stop);
    }
}

}  // namespace tarvolen
