// `vyr demo`: the road through the library on what it can do so far, with a self-check of
// what it reports.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>

#include <vyr/vyr.h>

#include "commands.h"

namespace vyr_cli {
namespace {

// Walks every message identifier, counts the texts of each block and checks that the root's
// two lookups agree with the free function.
void check_message_table() {
    CVyrIPtrSmart<IVyr> root = Vyr_GetIVyr();
    if (!root.IsValid()) throw CommandFailure{"could not make a root object"};

    std::map<uint32_t, int> texts_per_block;
    int disagreements = 0;
    for (uint32_t low = 0; low <= 0xFFFF; ++low) {
        const auto code = static_cast<VYR_ERROR>(0x80000000u | low);
        std::string text, root_text;
        char buffer[500];
        const VYR_ERROR found = ErrorToStringDef(code, text);
        if (root->GetErrorText(code, root_text) != found || root_text != text) ++disagreements;
        if (found == VYR_OK &&
            (root->GetErrorTextBuffer(code, buffer, sizeof buffer) != VYR_OK || text != buffer))
            ++disagreements;
        if (found == VYR_OK) ++texts_per_block[low & 0xF000];
    }

    int total = 0;
    std::cout << "message table:";
    for (const auto& [block, count] : texts_per_block) {
        char label[16];
        std::snprintf(label, sizeof label, " 0x%04X:", block);
        std::cout << label << count;
        total += count;
    }
    std::cout << "\n  " << total << " texts, lookups "
              << (disagreements == 0 ? "agree" : "DISAGREE") << '\n';
    if (disagreements != 0) throw CommandFailure{"message lookups disagree"};
}

}  // namespace

void add_demo_command(CLI::App& app) {
    auto* command = app.add_subcommand("demo", "Run the library's main road on bundled samples");
    command->callback([] {
        std::cout << "vyr " << vyr_version() << '\n';
        check_message_table();
        std::string text;
        ErrorToStringDef(VYR_E_FAILED_TO_READ, text);
        std::cout << "example: 0x8000E002 -> " << text << '\n';
    });
}

}  // namespace vyr_cli
