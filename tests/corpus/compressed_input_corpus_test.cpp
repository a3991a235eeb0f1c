// Observation files of ../shared/corpus compressed at test time (gzip, bzip2, xz) convert to the
// very epochs and occupations of their plain forms; the compact version-2 file inside gzip to
// those of its plain twin.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "corpus_support.h"

#include <vyr/vyr.h>

namespace {

namespace fs = std::filesystem;
using vyr_corpus_test::corpus_dir;

// Everything a conversion hands out, as bytes: epochs with their satellites, and each site's
// occupations (the line numbers left out: a compact file numbers its expanded lines alike).
class BytesSink final : public IVyrStationRinexSink {
public:
    VYR_ERROR OnEpoch(const VYR_STATION_RINEX&, const VYR_OCCUPATION&, VYR_OBSERVATIONEPOCH& epoch,
                      uint32_t) override {
        append(epoch.mjd);
        append(epoch.fraction);
        append(epoch.status);
        append(epoch.occupation);
        for (const VYR_OBSERVATIONEPOCH_SV& sat : epoch.satellites) {
            append(sat.satId);  // packed
            append(sat.systemData);
            for (const VYR_OBSERVATIONEPOCH_SIGNAL& signal : sat.observations) append(signal);
        }
        ++epochs;
        return VYR_OK;
    }
    VYR_ERROR OnStation(const VYR_STATION_RINEX& station) override {
        for (const VYR_OCCUPATION& occupation : station.occupations)
            site.append(reinterpret_cast<const char*>(&occupation), sizeof occupation);
        site.append(station.receiverType, sizeof station.receiverType);
        return VYR_OK;
    }
    void OnFailure(uint32_t line, const char* problem) override {
        failure = std::to_string(line) + ": " + (problem != nullptr ? problem : "");
    }
    template <class T>
    void append(const T& value) {
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    std::string bytes;  // the epochs
    std::string site;   // the occupations and the receiver
    size_t epochs = 0;
    std::string failure;
};

BytesSink convert(const fs::path& file) {
    BytesSink sink;
    EXPECT_EQ(Vyr_ConvertRinexObsToSink(file.c_str(), sink), VYR_OK)
        << file << ": " << sink.failure;
    return sink;
}

TEST(CompressedInputCorpus, CompressedFilesGiveTheStationsOfTheirPlainForms) {
    REQUIRE_CORPUS();
    const fs::path dir =
        fs::temp_directory_path() / ("vyr_packed_corpus_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    struct Case {
        const char* plain;   // the file whose stations are expected
        const char* packed;  // the file compressed (the same one, or its compact twin)
    };
    const Case cases[] = {
        {"rinex2-obs/york0440.15o", "rinex2-obs/york0440.15o"},
        {"rinex3-obs/OB712480.23O", "rinex3-obs/OB712480.23O"},
        {"rinex2-obs/york0440.15o", "crinex/york0440.15d"},
    };
    for (const Case& c : cases) {
        REQUIRE_CORPUS_FILE(corpus_dir() / c.packed);
        const BytesSink plain = convert(corpus_dir() / c.plain);
        ASSERT_GT(plain.epochs, 0u) << c.plain;
        for (const char* tool : {"gzip", "bzip2", "xz"}) {
            SCOPED_TRACE(std::string(c.packed) + " " + tool);
            const fs::path out = dir / (fs::path(c.packed).filename().string() + "." + tool);
            const std::string command = std::string(tool) + " -c '" +
                                        (corpus_dir() / c.packed).string() + "' > '" +
                                        out.string() + "'";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            const BytesSink packed = convert(out);
            EXPECT_EQ(packed.epochs, plain.epochs);
            EXPECT_TRUE(packed.bytes == plain.bytes);
            if (std::string(c.plain) == c.packed) {
                EXPECT_TRUE(packed.site == plain.site);
            }
        }
    }
    fs::remove_all(dir);
}

}  // namespace
