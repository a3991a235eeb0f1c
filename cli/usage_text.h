// Usage lines in the order the words are typed: a subcommand's line starts with the words of
// the commands above it and their positionals (`vyr windows PROJECT STATION add FROM TO`),
// which CLI11's own line leaves out.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace vyr_cli {

// The words that run app: its parents' names and positionals, its own name, positionals
// (FILE... for many, [DIR] when optional), required options, then the optional ones: each
// ([--sat SAT], options that exclude each other as [--csv|--json]) when there are at most
// two, else [OPTIONS]. A command with subcommands ends with their names and "...".
std::string usage_line(const CLI::App& app);

// Help with those usage lines: the command's own, one per subcommand of a command that takes
// words before them, and the positionals of the parents described with the command's.
class UsageFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_positionals(const CLI::App* app) const override;
    std::string make_subcommand(const CLI::App* sub) const override;
};

// A help request that names a subcommand without the words its parents take before it
// (`vyr windows add --help`) gets their names as stand-ins (`vyr windows PROJECT STATION add
// --help`), so that the help shown is the subcommand's; other command lines come back as they
// are. Stand-ins are safe: help is given before any positional is used.
std::vector<std::string> help_words(const CLI::App& app, std::vector<std::string> words);

// Names the program "vyr" (not the path it was started by) and installs UsageFormatter; call
// before adding subcommands, which take the formatter of their parent.
void use_usage_lines(CLI::App& app);

}  // namespace vyr_cli
