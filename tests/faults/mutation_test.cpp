// A small seeded mutation run over every kind of input: whatever the damage, the command ends
// with 0 or 1, a failure names the file it could not import, and a failed import leaves the
// project byte for byte as it was.
#include <random>
#include <sstream>

#include "faults_support.h"

namespace vyr_faults {
namespace {

constexpr int kMutantsPerInput = 60;

// One random change of the kinds damaged downloads show: a flipped byte, a lost or doubled line,
// a cut, other line ends, bytes from elsewhere.
std::string mutate(std::string text, std::mt19937& random) {
    if (text.empty()) return text;
    const auto at = [&](size_t size) {
        return std::uniform_int_distribution<size_t>(0, size - 1)(random);
    };
    const size_t pos = at(text.size());
    const size_t lineStart =
        text.rfind('\n', pos) == std::string::npos ? 0 : text.rfind('\n', pos) + 1;
    const size_t lineEnd = std::min(text.find('\n', pos), text.size() - 1) + 1;
    switch (random() % 6) {
        case 0:
            text[pos] = static_cast<char>(random());
            break;
        case 1:
            text.erase(lineStart, lineEnd - lineStart);
            break;
        case 2:
            text.insert(lineStart, text.substr(lineStart, lineEnd - lineStart));
            break;
        case 3:
            text.resize(pos);
            break;
        case 4:
            for (char& c : text)
                if (c == '\n') c = '\r';
            break;
        default:
            text.insert(pos, text.substr(at(text.size()), 1 + random() % 80));
            break;
    }
    return text;
}

TEST_F(FaultTest, MutatedInputsFailCleanlyAndLeaveTheProjectAsItWas) {
    std::mt19937 random(20261206);
    const std::string mutant = (dir / "mutant").string();
    for (const std::string& name : input_names()) {
        const std::string original = slurp(input(name));
        for (int i = 0; i < kMutantsPerInput; ++i) {
            std::ofstream(mutant, std::ios::binary | std::ios::trunc) << mutate(original, random);
            const Outcome outcome = vyr({"import", project, mutant});
            const std::string what = name + " mutant " + std::to_string(i);
            ASSERT_TRUE(outcome.status == 0 || outcome.status == 1)
                << what << " ended with " << outcome.status << ": " << outcome.err;
            if (outcome.status == 0) {
                restore_base();
                continue;
            }
            std::istringstream lines(outcome.err);
            std::string line;
            std::getline(lines, line);
            EXPECT_NE(line.find(mutant), std::string::npos) << what << ": " << outcome.err;
            EXPECT_TRUE(slurp(project) == base) << what << " changed the project";
            restore_base();
        }
    }
}

}  // namespace
}  // namespace vyr_faults
