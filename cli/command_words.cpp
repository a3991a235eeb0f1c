#include "command_words.h"

#include <algorithm>
#include <filesystem>

namespace vyr_cli {
namespace {

// Edits (insert, delete, replace, swap of neighbours) that turn a into b.
size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

std::vector<std::string> command_names(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands({})) names.push_back(command->get_name());
    return names;
}

bool is_command(const std::vector<std::string>& names, const std::string& word) {
    return std::find(names.begin(), names.end(), word) != names.end();
}

}  // namespace

std::vector<std::string> checked_words(const CLI::App& app, std::vector<std::string> words) {
    if (words.size() < 2 || words[1].empty() || words[1][0] == '-') return words;
    const std::vector<std::string> names = command_names(app);
    const std::string& first = words[1];
    if (is_command(names, first)) return words;
    if (first == "help") {
        // --help last: `vyr help windows add` is the help of `windows add`.
        words.erase(words.begin() + 1);
        words.push_back("--help");
        return words;
    }
    std::error_code error;
    if (words.size() > 2 && is_command(names, words[2]) && std::filesystem::exists(first, error))
        throw CommandFailure{"'" + first + "' is no command, and '" + words[2] +
                                 "' is: the command comes first (vyr " + words[2] + " " + first +
                                 " ...)",
                             kExitUsage};
    std::vector<std::string> near;
    std::vector<std::string> known = names;
    known.push_back("help");
    for (const std::string& name : known)
        if (distance(first, name) <= std::max<size_t>(1, name.size() / 3) ||
            (first.size() >= 3 && name.rfind(first, 0) == 0))
            near.push_back("'" + name + "'");
    std::string hint = "; vyr --help lists the commands";
    if (!near.empty()) {
        hint = "; did you mean ";
        for (size_t i = 0; i < near.size(); ++i)
            hint += (i == 0 ? "" : i + 1 == near.size() ? " or " : ", ") + near[i];
        hint += "?";
    }
    throw CommandFailure{"unknown command '" + first + "'" + hint, kExitUsage};
}

}  // namespace vyr_cli
