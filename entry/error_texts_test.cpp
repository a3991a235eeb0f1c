#include <gtest/gtest.h>

#include <string>

#include "entry/error_texts.h"

namespace {

VYR_ERROR code(uint32_t value) {
    return static_cast<VYR_ERROR>(value);
}

// One text from each block, the first and last of the table, and the texts whose spelling
// callers see as it is. The high word plays no part.
TEST(ErrorToStringDef, GivesTheTextLetterForLetter) {
    const struct {
        uint32_t code;
        const char* text;
    } cases[] = {
        {0x00000000, "Success."},
        {0x00001001,
         "Processed data includes half wavelength data. This mode is not supported (L2 phase is "
         "ignored)."},
        {0x80002015, "No frequency avialable for satellite %s."},
        {0x8000201B, "No Galileo precise ephemeris available, switched to broadcast ephemeris."},
        {0x80003002, "One of the processing parameters was not valid. Using default value."},
        {0x8000400E, "No observation data available to derive a Computed ionospheric model."},
        {0x00005007, "Unknown return value."},
        {0x8000500D, "Less than 60% of phase data is available."},
        {0x80005018, "Too less independent fixes. A fixed solution is not reliable enough."},
        {0x8000501F, "Linearcombination switched due to missing frequencies"},
        {0x80008004, "File not found."},
        {0x80009007, "Wrong kernel version."},
        {0x00009007, "Wrong kernel version."},
        {0x80009010, "Memory overflow"},
        {0x80009016, "Stream could not be deleted."},
        {0x8000A03F,
         "Insufficient reference data from %s to %s. Differential position not possible."},
        {0x8000B00A, "Satellite %s is unhealthy from %s to %s"},
        {0x8000C00F,
         "For one or more Computed ionospheric models derived from the reference station %s the "
         "time span of usable data is too short - these models are not used."},
        {0x8000D00B, "No reference coordinates available."},
        {0x8000E003, "Header entry or data line missing."},
    };
    for (const auto& c : cases) {
        std::string text = "previous";
        EXPECT_EQ(ErrorToStringDef(code(c.code), text), VYR_OK) << std::hex << c.code;
        EXPECT_EQ(text, c.text) << std::hex << c.code;
    }
}

TEST(ErrorToStringDef, CodesWithoutTextGiveEmptyStringAndEntryNotFound) {
    for (uint32_t missing : {0x80008006u, 0x80002012u, 0x80008005u, 0x8000F001u, 0x80009017u}) {
        std::string text = "previous";
        EXPECT_EQ(ErrorToStringDef(code(missing), text), VYR_E_ENTRY_NOT_FOUND) << missing;
        EXPECT_TRUE(text.empty()) << missing;
    }
}

TEST(ErrorToStringDef, TheTableHoldsEveryBlockInFull) {
    // 1 + 1 + 26 + 2 + 14 + 31 + 4 + 22 + 63 + 15 + 15 + 11 + 3 texts.
    size_t texts = 0, block_0x9000 = 0;
    for (uint32_t low = 0; low <= 0xFFFF; ++low) {
        if (vyr_entry::find_error_text(code(low)) == nullptr) continue;
        ++texts;
        if (low >= 0x9000 && low <= 0x9FFF) ++block_0x9000;
    }
    EXPECT_EQ(texts, 208u);
    EXPECT_EQ(block_0x9000, 22u);
}

}  // namespace
