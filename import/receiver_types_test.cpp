#include <gtest/gtest.h>

#include <string>

#include <vyr/file_converter.h>

namespace {

TEST(ReceiverTypes, VendorRowsOurModelsAndTheFirst16Characters) {
    struct Case {
        const char* name;
        long type;
    };
    const Case cases[] = {
        {"trimble netr9", 204},
        {"TOPCON GR-5", 205},
        {"TPS NET-G3A", 205},
        {"JPS LEGACY", 206},
        {"ASHTECH UZ-12", 207},
        {"SOK RADIAN_IS", 208},
        {"SOKK GSR2700", 0},
        {"NOV OEM7", 210},
        {"LEICA GR25", 0},
        {"VYR GR405+GN", 405},
        {"VYR GR405+", 404},
        {"vyr gr405", 403},
        {"VYR RS20+", 119},
        {"VYR XYZ", 1},
        {"0123456789ABCDEFTRIMBLE", 0},  // beyond the first 16 characters
        {"", 0},
    };
    for (const Case& c : cases) {
        long type = -1;
        GetReceiverTypeFromIGS(c.name, type);
        EXPECT_EQ(type, c.type) << c.name;
    }
    long type = -1;
    GetReceiverTypeFromIGS(nullptr, type);
    EXPECT_EQ(type, 0);
}

}  // namespace
