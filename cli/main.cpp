// `vyr`: the command through which a person uses the library.
#include <csignal>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include <vyr/vyr.h>

#include "command_words.h"
#include "commands.h"
#include "usage_text.h"

int main(int argc, char** argv) {
    // Past a file-size limit a write is to fail with EFBIG, which the project's unit of work
    // undoes and names, rather than the signal ending the command without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    CLI::App app{"vyr - GNSS project files: import, inspect, export"};
    vyr_cli::use_usage_lines(app);
    app.set_version_flag("--version", std::string("vyr ") + vyr_version());
    app.require_subcommand(1);

    vyr_cli::add_demo_command(app);
    vyr_cli::add_explain_command(app);
    vyr_cli::add_cfb_commands(app);
    vyr_cli::add_project_commands(app);
    vyr_cli::add_show_command(app);
    vyr_cli::add_errors_command(app);
    vyr_cli::add_import_command(app);
    vyr_cli::add_info_command(app);
    vyr_cli::add_station_commands(app);
    vyr_cli::add_assoc_commands(app);
    vyr_cli::add_results_commands(app);
    vyr_cli::add_export_command(app);
    vyr_cli::add_plot_command(app);

    try {
        std::vector<std::string> words =
            vyr_cli::help_words(app, vyr_cli::checked_words(app, {argv, argv + argc}));
        std::vector<char*> pointers;
        for (std::string& word : words) pointers.push_back(word.data());
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // One form for every usage error: the parser's own read like the commands' lines.
        std::cerr << "vyr: " << e.what() << "\nRun with --help for more information.\n";
        return vyr_cli::kExitUsage;
    } catch (const vyr_cli::CommandFailure& failure) {
        // An empty message: the command has named its failures itself.
        if (!failure.message.empty()) std::cerr << "vyr: " << failure.message << '\n';
        return failure.status;
    } catch (const std::bad_alloc&) {
        std::cerr << "vyr: out of memory\n";
        return vyr_cli::kExitFailure;
    } catch (const std::exception& e) {
        // The last line of defence: whatever a command did not turn into its own message ends
        // the command with one line, never with an abort.
        std::cerr << "vyr: " << e.what() << '\n';
        return vyr_cli::kExitFailure;
    } catch (...) {
        std::cerr << "vyr: unexpected failure\n";
        return vyr_cli::kExitFailure;
    }
    return vyr_cli::kExitOk;
}
