// tarvolen-cli: the Add, Filter, Statistics and Save commands of the desktop tool, run
// once from the command line over the same core.
#include <string>
#include <vector>

#include "cli/terminal_progress.h"
#include "run/cli_options.h"
#include "run/cli_run.h"

int main(int argc, char** argv) {
    using namespace tarvolen;
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    CliProgram program;
    program.progress = MakeTerminalProgress;
    return RunCli(ParseCliOptions(args), program);
}
