// Each subcommand family of `vyr` registers itself on the application here.
#pragma once

#include <CLI/CLI.hpp>

namespace vyr_cli {

// Exit status of every subcommand: 0 success, 1 failure (one line on stderr naming the file and
// the problem), 2 usage error.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Thrown by a subcommand to end the program with a message and a status.
struct CommandFailure {
    std::string message;
    int status = kExitFailure;
};

void add_explain_command(CLI::App& app);
void add_demo_command(CLI::App& app);
void add_cfb_commands(CLI::App& app);
void add_project_commands(CLI::App& app);
void add_errors_command(CLI::App& app);
void add_import_command(CLI::App& app);
void add_station_commands(CLI::App& app);
void add_info_command(CLI::App& app);
void add_show_command(CLI::App& app);
void add_assoc_commands(CLI::App& app);
void add_results_commands(CLI::App& app);
void add_export_command(CLI::App& app);
void add_plot_command(CLI::App& app);

}  // namespace vyr_cli
