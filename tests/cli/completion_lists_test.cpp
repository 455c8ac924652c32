// The bash completion carries copies of the command's lists, as a shell script must;
// these copies must say what the command takes, no more and no less.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "core/decode/text_encoding.h"
#include "run/cli_options.h"
#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using testing::TempDir;

// The words of the shell variable name='...' of the script.
std::set<std::string> ScriptList(const std::string& script, const std::string& name) {
    const std::regex assignment(name + "='([^']*)'");
    std::smatch match;
    if (!std::regex_search(script, match, assignment))
        return {};
    std::istringstream words(match[1].str());
    std::set<std::string> list;
    for (std::string word; words >> word;)
        list.insert(word);
    return list;
}

template <typename Names>
std::set<std::string> SetOf(const Names& names) {
    std::set<std::string> set;
    for (const auto& name : names)
        set.insert(std::string(name));
    return set;
}

TEST(CompletionListsTest, AreTheCommandsOwn) {
    const std::string script = TempDir::Read(TARVOLEN_COMPLETION_PATH);
    ASSERT_FALSE(script.empty());

    // Every long option that --help documents, and nothing else.
    std::set<std::string> helpOptions;
    const std::string help = CliHelpText();
    const std::regex longOption("--[a-z0-9][a-z0-9-]*");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), longOption);
         it != std::sregex_iterator(); ++it)
        helpOptions.insert(it->str());
    ASSERT_GT(helpOptions.size(), 15u);
    EXPECT_EQ(ScriptList(script, "_tarvolen_cli_options"), helpOptions);

    EXPECT_EQ(ScriptList(script, "_tarvolen_cli_languages"), SetOf(CliLanguageNames()));
    EXPECT_EQ(ScriptList(script, "_tarvolen_cli_delimiters"), SetOf(CliDelimiterNames()));

    std::set<std::string> encodings;
    for (const EncodingChoice& choice : EncodingChoices())
        encodings.insert(choice.name);
    EXPECT_EQ(ScriptList(script, "_tarvolen_cli_encodings"), encodings);
}

}  // namespace
}  // namespace tarvolen
