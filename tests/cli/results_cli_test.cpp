// The road of processing results through `vyr`: import, associations, residuals and offsets
// stored from CSV, read back corrected and combined, a copy without results, deletion.
#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include "cli_runner.h"

namespace {

using nlohmann::json;
using ::testing::HasSubstr;
using vyr_cli_test::Outcome;
using vyr_cli_test::sample;

class ResultsCli : public vyr_cli_test::CliTest {
protected:
    std::string add_assoc(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"assoc", project, "add"};
        all.insert(all.end(), args.begin(), args.end());
        const Outcome added = vyr(all);
        EXPECT_EQ(added.status, 0) << added.err;
        return added.out.substr(0, added.out.find('\n'));
    }

    json list(const std::string& path) {
        const Outcome listed = vyr({"assoc", path, "list", "--json"});
        EXPECT_EQ(listed.status, 0) << listed.err;
        return json::parse(listed.out);
    }

    json show(const std::string& key, const std::vector<std::string>& args) {
        std::vector<std::string> all = {"results", project, key, "show"};
        all.insert(all.end(), args.begin(), args.end());
        all.push_back("--json");
        const Outcome shown = vyr(all);
        EXPECT_EQ(shown.status, 0) << shown.err;
        return json::parse(shown.out);
    }
};

// The value of sat at time in a residual table, NaN when absent.
double value_at(const json& rows, const std::string& time, const std::string& sat) {
    for (const json& row : rows)
        if (row["time"] == time && row["sat"] == sat) return row["value"].get<double>();
    return std::nan("");
}

constexpr const char* kFirst = "2021-01-02T12:00:00.000";
constexpr const char* kSecond = "2021-01-02T12:00:30.000";

TEST_F(ResultsCli, ResidualsGoInAsCsvAndComeBackCorrectedAndCombined) {
    const Outcome imported = vyr({"import", project, sample("vyra0020.21o"),
                                  sample("VYRB00XXX_R_20210021200_06M_30S_MO.rnx")});
    ASSERT_EQ(imported.status, 0) << imported.err;
    const std::string key = add_assoc({"VYRA", "--reference", "VYRB"});
    const std::string flagged = add_assoc({"VYRB", "--flags", "0x10000"});
    ASSERT_FALSE(key.empty());
    ASSERT_NE(key, flagged);

    const std::string l1 = write("l1.csv",
                                 "time,sat,value\n"
                                 "2021-01-02T12:00:00,G05,1.5\n"
                                 "2021-01-02T12:00:00,R01,2.0\r\n"
                                 "2021-01-02T12:00:30,G05,1.5\n"
                                 "2021-01-02T12:00:30.000,R01,2.0\n");
    const std::string l2 = write("l2.csv",
                                 "time,sat,value\n2021-01-02T12:00:00,G05,0.5\n"
                                 "2021-01-02T12:00:00,R01,1.0\n2021-01-02T12:00:30,G05,0.5\n"
                                 "2021-01-02T12:00:30,R01,1.0\n");
    // The offset covers the first epoch only, its bounds given in reverse.
    const std::string offsets = write(
        "offsets.csv", "sat,from,to,offset\nR01,2021-01-02T12:00:10,2021-01-02T11:59:50,0.25\n");
    for (const auto& [what, type, file] : {std::tuple{"residuals", "L1Code", l1},
                                           {"residuals", "L2Code", l2},
                                           {"offsets", "L1Code", offsets}}) {
        const Outcome added = vyr({"results", project, key, "add", what, "--type", type, file});
        ASSERT_EQ(added.status, 0) << what << ' ' << type << ": " << added.err;
    }

    const json corrected = show(key, {"residuals", "--type", "L1Code"});
    ASSERT_EQ(corrected.size(), 4u);
    EXPECT_DOUBLE_EQ(value_at(corrected, kFirst, "R01"), 1.75);
    EXPECT_DOUBLE_EQ(value_at(corrected, kSecond, "R01"), 2.0);
    EXPECT_DOUBLE_EQ(value_at(corrected, kFirst, "G05"), 1.5);

    // GPS L1/L2 at 154:120: (154² * 1.5 - 120² * 0.5) / (154² - 120²). Without a GLONASS
    // channel map in the project GLONASS has no coefficients and is left out.
    const json ionoFree = show(key, {"residuals", "--iono-free", "L1Code,L2Code"});
    ASSERT_EQ(ionoFree.size(), 2u);
    EXPECT_NEAR(value_at(ionoFree, kFirst, "G05"), 28374.0 / 9316.0, 1e-9);
    EXPECT_NEAR(value_at(ionoFree, kSecond, "G05"), 28374.0 / 9316.0, 1e-9);

    const json difference = show(key, {"residuals", "--difference", "L1Code,L2Code"});
    EXPECT_DOUBLE_EQ(value_at(difference, kFirst, "R01"), 0.75);
    EXPECT_DOUBLE_EQ(value_at(difference, kSecond, "R01"), 1.0);
    EXPECT_DOUBLE_EQ(value_at(difference, kSecond, "G05"), 1.0);

    const Outcome csv = vyr({"results", project, key, "show", "offsets", "--type", "L1Code"});
    EXPECT_EQ(csv.out,
              "sat,from,to,offset\nR01,2021-01-02T12:00:10.000,2021-01-02T11:59:50.000,0.25\n");

    const json listed = list(project);
    ASSERT_EQ(listed.size(), 2u);
    const json& first = listed[0]["key"] == key ? listed[0] : listed[1];
    EXPECT_EQ(first["rover"], "VYRA");
    EXPECT_EQ(first["reference"], "VYRB");
    EXPECT_EQ(first["results"],
              (json{{"residuals.L1Code", 2}, {"residuals.L2Code", 2}, {"offsets.L1Code", 1}}));

    // A copy without results keeps the first association, emptied, and drops the flagged one.
    const std::string copy = (dir / "copy.vyr").string();
    ASSERT_EQ(vyr({"copy", project, copy, "--without-results"}).status, 0);
    const json copied = list(copy);
    ASSERT_EQ(copied.size(), 1u);
    EXPECT_EQ(copied[0]["key"], key);
    EXPECT_EQ(copied[0]["results"], json::object());
    EXPECT_EQ(vyr({"info", copy}).status, 0);

    ASSERT_EQ(vyr({"assoc", project, "delete", key}).status, 0);
    const json left = list(project);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]["key"], flagged);
    EXPECT_EQ(left[0]["flags"], 0x10000);
}

TEST_F(ResultsCli, MalformedCsvIsRefusedWithItsLineAndStoresNothing) {
    ASSERT_EQ(vyr({"import", project, sample("vyra0020.21o")}).status, 0);
    const std::string key = add_assoc({"VYRA"});
    const struct {
        const char* what;
        const char* text;
        const char* message;
    } cases[] = {
        {"residuals", "time,sat,value\n2021-01-02T12:00:00,G05,1\n2021-01-02T12:00:30,G05,x\n",
         ":3: not a number: 'x'"},
        {"residuals", "time,sat,value\n2021-01-02T12:00:30,G05,1\n2021-01-02T12:00:00,G05,1\n",
         ":3: epoch 2021-01-02T12:00:00.000 comes after"},
        {"residuals", "time,sat,value\n2021-01-02T12:00:00,G05,1\n2021-01-02T12:00:00,G05,2\n",
         ":3: G05 appears twice"},
        {"residuals", "time,sat\n", ":1: expected the header 'time,sat,value'"},
        {"residuals", "time,sat,value\n2021-01-02T12:00:00,X99,1\n", ":2: not a satellite"},
        {"residuals", "time,sat,value\nyesterday,G05,1\n", ":2: not a time"},
        {"residuals", "time,sat,value\n2021-01-02T12:00:00,G05\n", ":2: expected 3 fields"},
        {"offsets", "sat,from,to,offset\nG05,2021-01-02T12:00,2021-01-02T13:00,1\n",
         ":2: offsets belong to GLONASS slots"},
    };
    for (const auto& c : cases) {
        const std::string file = write("bad.csv", c.text);
        const Outcome refused =
            vyr({"results", project, key, "add", c.what, "--type", "L1Code", file});
        EXPECT_EQ(refused.status, 1) << c.text;
        EXPECT_THAT(refused.err, HasSubstr(file + c.message)) << c.text;
    }
    EXPECT_EQ(list(project)[0]["results"], json::object());

    // Offsets of a slot that has some already would never be applied.
    const std::string offsets =
        write("o.csv", "sat,from,to,offset\nR01,2021-01-02T12:00,2021-01-02T13:00,1\n");
    ASSERT_EQ(vyr({"results", project, key, "add", "offsets", "--type", "L1Code", offsets}).status,
              0);
    const Outcome again =
        vyr({"results", project, key, "add", "offsets", "--type", "L1Code", offsets});
    EXPECT_EQ(again.status, 1);
    EXPECT_THAT(again.err, HasSubstr("R01 has L1Code offsets stored already"));
}

TEST_F(ResultsCli, NamesThatDoNotExistAreUsageOrLookupErrors) {
    ASSERT_EQ(vyr({"import", project, sample("vyra0020.21o")}).status, 0);
    const std::string key = add_assoc({"VYRA"});
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{"assoc", project, "add", "NOPE"}, 1, "no station NOPE"},
        {{"assoc", project, "add", "VYRA"}, 1, "exists already"},
        {{"assoc", project, "delete", "0x1234"}, 1, "no association 0x1234"},
        {{"results", project, key, "show", "residuals"}, 2, "residuals needs --type"},
        {{"results", project, key, "show", "residuals", "--type", "L9Code"}, 2, "L1Code, L2Code"},
        {{"results", project, key, "show", "orbits"}, 2, "unknown result kind 'orbits'"},
        {{"results", project, key, "show", "offsets", "--iono-free", "L1Code,L2Code"},
         2,
         "combine residuals only"},
        {{"results", project, key, "show", "residuals", "--difference", "L1Code"},
         2,
         "takes two residual types"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = vyr(c.args);
        EXPECT_EQ(outcome.status, c.status) << c.args.back();
        EXPECT_THAT(outcome.err, HasSubstr(c.message)) << c.args.back();
    }
    // Kinds the association never received read as empty tables.
    for (const char* kind : {"cycle-slips", "kernel-stats", "raw-data", "points"}) {
        const Outcome empty = vyr({"results", project, key, "show", kind});
        EXPECT_EQ(empty.status, 0) << kind << ": " << empty.err;
        EXPECT_EQ(std::count(empty.out.begin(), empty.out.end(), '\n'), 1) << kind;
    }
}

}  // namespace
