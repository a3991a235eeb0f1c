// `vyr errors`: the processing errors a project holds, with their texts.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <vyr/vyr.h>

#include "commands.h"
#include "project_access.h"
#include "record_lines.h"

namespace vyr_cli {
namespace {

using nlohmann::ordered_json;

std::string code_text(uint32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", code);
    return text;
}

std::string calendar(double time) {
    std::string text;
    AddTimeToString(time, VYR_TIMEFORMAT_CALENDAR, text);
    return text;
}

// The report's text; a code without text shows as empty.
std::string message_of(uint32_t code, uint32_t secondCode, const CErrorPayload& payload) {
    VYR_PROCESSING_ERROR error(code, secondCode);
    error.payload = payload;
    std::string text;
    ErrorToString(error, text);
    return text;
}

void list_errors(const std::string& path, bool as_json) {
    ReadOnlyProject project(path);
    CVyrIPtrSmart<IVyrErrors> errors;
    const VYR_ERROR got = project.storage().GetErrors(errors);
    // A project that never received an error has no error streams.
    if (got == VYR_E_ENTRY_NOT_FOUND) {
        RecordLines out(as_json);
        return;
    }
    check(got, path);
    std::vector<VYR_PROCESSING_ERROR> general;
    check(errors->GetGeneralErrors(general), path);
    std::vector<VYR_PROCESSING_ERROR_INTERVAL> intervals;
    check(errors->GetIntervalErrors(intervals), path);

    RecordLines out(as_json);
    for (const VYR_PROCESSING_ERROR& error : general) {
        ordered_json record;
        record["kind"] = "general";
        record["code"] = code_text(error.code);
        record["secondCode"] = code_text(error.secondCode);
        record["payloadType"] = error.payload.Type();
        record["text"] = message_of(error.code, error.secondCode, error.payload);
        out.add(record);
    }
    for (const VYR_PROCESSING_ERROR_INTERVAL& interval : intervals) {
        ordered_json record;
        record["kind"] = "interval";
        record["code"] = code_text(interval.code);
        record["start"] = calendar(interval.start);
        record["end"] = calendar(interval.end);
        record["startMjd"] = interval.start;
        record["endMjd"] = interval.end;
        record["payloadType"] = interval.payload.Type();
        record["text"] = message_of(interval.code, interval.code, interval.payload);
        out.add(record);
    }
}

}  // namespace

void add_errors_command(CLI::App& app) {
    auto* errors = app.add_subcommand("errors", "List a project's processing errors with texts");
    auto path = std::make_shared<std::string>();
    auto as_json = std::make_shared<bool>(false);
    errors->add_option("PROJECT", *path, "Project file")->required();
    errors->add_flag("--json", *as_json, "Print JSON");
    errors->callback([=] { list_errors(*path, *as_json); });
}

}  // namespace vyr_cli
