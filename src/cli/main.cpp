// rtu-cli: reads and writes a street-lamp controller from scripts, on the core of the window.

#include <csignal>
#include <iostream>

#include "app/Paths.h"
#include "cli/CliOptions.h"
#include "cli/CommandRunner.h"

int main(int argc, char** argv) {
    std::string error;
    const auto options = ParseCliOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "rtu-cli: " << error << "\n\n" << CliUsage();
        return kExitUsage;
    }
    if (options->Help) {
        std::cout << CliUsage();
        return kExitDone;
    }
    std::signal(SIGPIPE, SIG_IGN);
    try {
        InitPaths(argc, argv);
        TCommandRunner runner(*options, std::cout, std::cerr);
        return runner.Run();
    } catch (const std::exception& e) {
        std::cerr << "rtu-cli: " << e.what() << "\n";
        return kExitNoLink;
    }
}
