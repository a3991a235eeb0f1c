#include "usage_text.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

namespace vyr_cli {
namespace {

// More optional options than this are summed up as [OPTIONS]: the line stays one a person reads.
constexpr size_t kOptionsSpelledOut = 2;
// Subcommand names spelled out in a parent's line; more are COMMAND.
constexpr size_t kCommandsSpelledOut = 4;

// The commands from the program down to app.
std::vector<const CLI::App*> chain_to(const CLI::App& app) {
    std::vector<const CLI::App*> chain;
    for (const CLI::App* at = &app; at != nullptr; at = at->get_parent()) chain.push_back(at);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

bool shown(const CLI::Option* option) {
    return !option->get_group().empty();
}

std::vector<const CLI::Option*> positionals_of(const CLI::App& app) {
    return app.get_options(
        [](const CLI::Option* option) { return option->get_positional() && shown(option); });
}

std::string positional_word(const CLI::Option& option) {
    std::string word = option.get_name(true);
    if (option.get_items_expected_max() > 1) word += "...";
    return option.get_required() ? word : "[" + word + "]";
}

std::string option_word(const CLI::Option& option) {
    std::string word = option.get_name();
    if (option.get_expected_max() == 0) return word;  // a flag
    std::string value = option.get_option_text();
    if (value.empty()) {
        value = word.substr(word.find_first_not_of('-'));
        for (char& c : value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return word + " " + value;
}

// Options that exclude each other are one choice: [--csv|--json].
std::vector<std::vector<const CLI::Option*>> choices_of(const CLI::App& app) {
    const CLI::Option* help = app.get_help_ptr();
    const CLI::Option* helpAll = app.get_help_all_ptr();
    std::vector<std::vector<const CLI::Option*>> choices;
    for (const CLI::Option* option : app.get_options([&](const CLI::Option* o) {
             return o->nonpositional() && shown(o) && o != help && o != helpAll;
         })) {
        const std::set<CLI::Option*> excluded = option->get_excludes();
        auto joined = std::find_if(choices.begin(), choices.end(), [&](const auto& choice) {
            return std::any_of(choice.begin(), choice.end(), [&](const CLI::Option* o) {
                return excluded.count(const_cast<CLI::Option*>(o)) != 0;
            });
        });
        if (joined != choices.end())
            joined->push_back(option);
        else
            choices.push_back({option});
    }
    return choices;
}

std::string choice_words(const std::vector<const CLI::Option*>& choice) {
    std::string words;
    for (const CLI::Option* option : choice)
        words += (words.empty() ? "" : "|") + option_word(*option);
    return words;
}

bool required(const std::vector<const CLI::Option*>& choice) {
    return choice.size() == 1 && choice.front()->get_required();
}

std::string subcommand_words(const CLI::App& app) {
    const std::vector<const CLI::App*> subcommands = app.get_subcommands(
        [](const CLI::App* sub) { return !sub->get_disabled() && !sub->get_name().empty(); });
    if (subcommands.empty()) return "";
    if (subcommands.size() > kCommandsSpelledOut) return " COMMAND ...";
    std::string names;
    for (const CLI::App* sub : subcommands) names += (names.empty() ? "" : "|") + sub->get_name();
    return " " + names + " ...";
}

}  // namespace

std::string usage_line(const CLI::App& app) {
    std::string line;
    for (const CLI::App* command : chain_to(app)) {
        line += (line.empty() ? "" : " ") + command->get_name();
        for (const CLI::Option* positional : positionals_of(*command))
            line += " " + positional_word(*positional);
    }
    if (app.get_parent() == nullptr) return line + subcommand_words(app);
    const std::vector<std::vector<const CLI::Option*>> choices = choices_of(app);
    size_t optional = 0;
    for (const auto& choice : choices) {
        if (required(choice))
            line += " " + choice_words(choice);
        else
            ++optional;
    }
    if (optional > kOptionsSpelledOut) {
        line += " [OPTIONS]";
    } else {
        for (const auto& choice : choices)
            if (!required(choice)) line += " [" + choice_words(choice) + "]";
    }
    return line + subcommand_words(app);
}

std::string UsageFormatter::make_usage(const CLI::App* app, std::string) const {
    return get_label("Usage") + ": " + usage_line(*app) + "\n";
}

std::string UsageFormatter::make_positionals(const CLI::App* app) const {
    // The words before a subcommand are its words too: `vyr windows ... add --help` tells
    // what PROJECT and STATION are.
    std::vector<const CLI::Option*> positionals;
    for (const CLI::App* command : chain_to(*app))
        for (const CLI::Option* positional : positionals_of(*command))
            positionals.push_back(positional);
    if (positionals.empty()) return "";
    return make_group(get_label("Positionals"), true, positionals);
}

std::string UsageFormatter::make_subcommand(const CLI::App* sub) const {
    // The program's own commands are listed by name; those after a command's words by the line
    // that runs them, which is where the words go.
    const CLI::App* parent = sub->get_parent();
    if (parent == nullptr || parent->get_parent() == nullptr)
        return CLI::Formatter::make_subcommand(sub);
    return "  " + usage_line(*sub) + "\n      " + sub->get_description() + "\n";
}

std::vector<std::string> help_words(const CLI::App& app, std::vector<std::string> words) {
    if (std::none_of(words.begin(), words.end(),
                     [](const std::string& w) { return w == "--help" || w == "-h"; }))
        return words;
    const CLI::App* command = &app;
    size_t given = 0;  // positionals of command given so far
    for (size_t at = 1; at < words.size(); ++at) {
        if (!words[at].empty() && words[at][0] == '-') continue;
        const CLI::App* sub = nullptr;
        for (const CLI::App* candidate : command->get_subcommands({}))
            if (candidate->get_name() == words[at]) sub = candidate;
        if (sub == nullptr) {
            ++given;
            continue;
        }
        const std::vector<const CLI::Option*> positionals = positionals_of(*command);
        if (given < positionals.size() && command != &app) {
            std::vector<std::string> standIns;
            for (size_t i = given; i < positionals.size(); ++i)
                standIns.push_back(positionals[i]->get_name(true));
            words.insert(words.begin() + static_cast<std::ptrdiff_t>(at), standIns.begin(),
                         standIns.end());
            at += standIns.size();
        }
        command = sub;
        given = 0;
    }
    return words;
}

void use_usage_lines(CLI::App& app) {
    app.name("vyr");
    app.formatter(std::make_shared<UsageFormatter>());
}

}  // namespace vyr_cli
