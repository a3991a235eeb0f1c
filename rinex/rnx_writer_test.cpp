// The writer's interface as the station export calls it: operations by their place in the table.
#include "rinex/rnx_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include "tests/support/packed_value.h"

namespace {

// The table slot of a virtual operation, from its member-pointer form (Itanium C++ ABI: the
// slot's byte offset plus one).
template <typename F>
long slot_of(F member) {
    static_assert(sizeof(F) == 2 * sizeof(long));
    long words[2];
    std::memcpy(words, &member, sizeof words);
    return (words[0] - 1) / static_cast<long>(sizeof(void*));
}

TEST(RnxWriterInterface, DocumentOperationsStandWhereTheExportCallsThem) {
    struct Expected {
        long slot;
        long actual;
        const char* name;
    };
    using D = IRnxObsDocument;
    const Expected table[] = {
        {0, slot_of(&D::WriteDocument), "WriteDocument"},
        {2, slot_of(&D::SetDocumentMode), "SetDocumentMode"},
        {8, slot_of(&D::SetMarkerName), "SetMarkerName"},
        {9, slot_of(&D::SetOutputPath), "SetOutputPath"},
        {18, slot_of(&D::AddComment), "AddComment"},
        {19, slot_of(&D::SetEventMarkerName), "SetEventMarkerName"},
        {22, slot_of(&D::SetObserverAgency), "SetObserverAgency"},
        {23, slot_of(&D::SetReceiver), "SetReceiver"},
        {24, slot_of(&D::SetAntenna), "SetAntenna"},
        {25, slot_of(&D::SetApproxPosition), "SetApproxPosition"},
        {26, slot_of(&D::SetEventMarkerType), "SetEventMarkerType"},
        {32, slot_of(&D::SetObsTypes), "SetObsTypes"},
        {33, slot_of(&D::SetSignalStrengthUnit), "SetSignalStrengthUnit"},
        {35, slot_of(&D::SetHeaderFlag), "SetHeaderFlag"},
        {40, slot_of(&D::SetGlonassSlots), "SetGlonassSlots"},
        {41, slot_of(&D::SetLeapSeconds), "SetLeapSeconds"},
        {43, slot_of(&D::AddObsEpoch), "AddObsEpoch"},
        {45, slot_of(&D::SetTimeOfFirstObs), "SetTimeOfFirstObs"},
        {5, slot_of(&IRnxWriter::GetObsDocument), "IRnxWriter::GetObsDocument"},
    };
    for (const Expected& e : table) EXPECT_EQ(value_of(e.actual), value_of(e.slot)) << e.name;
}

TEST(RnxWriterInterface, WriterHandsOutOneDocumentAndReleaseClearsThePointer) {
    IRnxWriter* writer = nullptr;
    ASSERT_EQ(GetNewRnxWriter(writer), eRNX_S_OK);
    ASSERT_NE(writer, nullptr);
    IRnxObsDocument* first = nullptr;
    IRnxObsDocument* second = nullptr;
    bool created = false;
    ASSERT_EQ(writer->GetObsDocument(first, created), eRNX_S_OK);
    EXPECT_TRUE(created);
    ASSERT_EQ(writer->GetObsDocument(second, created), eRNX_S_OK);
    EXPECT_FALSE(created);
    EXPECT_EQ(first, second);
    EXPECT_EQ(ReleaseRnxWriter(writer), eRNX_S_OK);
    EXPECT_EQ(writer, nullptr);
}

}  // namespace
