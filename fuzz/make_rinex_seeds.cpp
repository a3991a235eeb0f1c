// Writes the seed corpus of the RINEX reader's fuzz target: small observation and navigation
// files of each version.
#include <filesystem>
#include <fstream>
#include <string>

#include "rinex_seed_texts.h"

using namespace rinex_seeds;

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const std::pair<const char*, std::string> seeds[] = {
        {"obs3.rnx", observation()},
        {"nav3.rnx", navigation3()},
        {"nav2.rnx", navigation2()},
        {"nav4.rnx", navigation4()},
    };
    for (const auto& [name, text] : seeds) std::ofstream(dir / name, std::ios::binary) << text;
    return 0;
}
