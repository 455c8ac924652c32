// The one place where every command's failures end: each is shown once, as the person
// should read it, and the program goes on with the list it has.
#include "gui/util/command_guard.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/ingest/store_reports.h"
#include "core/output/my_exception.h"
#include "core/ports/user_cancel.h"
#include "core/store/word_store.h"
#include "support/fakes.h"

namespace tarvolen {
namespace {

TEST(CommandGuardTest, EachFailureIsShownOnceAsItShouldBeRead) {
    struct Case {
        const char* why;
        std::function<void()> command;
        std::vector<std::string> shown;
    };
    const std::vector<Case> cases = {
        {"a write that failed", [] { ThrowOutputError(); }, {kOutputErrorText}},
        {"a cancel says nothing", [] { throw UserCancel{}; }, {}},
        // The sort for a save, a filter's copy: said as the store says it.
        {"memory that ran out", [] { throw std::bad_alloc(); }, {kGrowthFailedText}},
        {"any other failure", [] { throw std::runtime_error("disk on fire"); }, {"disk on fire"}},
        {"something not an exception",
         [] { throw 42; },
         {"An unexpected error ended the command."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        testing::FakeMessages messages;
        RunGuarded(messages, c.command);
        EXPECT_EQ(messages.Texts(), c.shown);
        for (const auto& shown : messages.shown)
            EXPECT_EQ(shown.icon, MessageIcon::Stop);
    }
}

}  // namespace
}  // namespace tarvolen
