// Receiver families from IGS receiver names.
#include <cctype>
#include <cstring>
#include <iterator>

#include <vyr/file_converter.h>

namespace {

struct ReceiverRow {
    const char* text;
    long type;
};

// The first row whose text occurs in the name wins, so the rows are ordered from the most
// specific to the least: within a model family the longer names stand before their prefixes
// ("+GN" before "+" before the bare name), and our own models (ids 1-405, a model and its
// variants may share an id) stand before the other vendors' rows, whose ids are fixed.
constexpr ReceiverRow kReceiverRows[] = {
    {"VYR GR405+GN", 405},
    {"VYR GR405+", 404},
    {"VYR GR405", 403},
    {"VYR GR300+GN", 302},
    {"VYR GR300+", 301},
    {"VYR GR300", 301},
    {"VYR RS20+GN", 120},
    {"VYR RS20+", 119},
    {"VYR RS20", 118},
    {"VYR RS10+", 101},
    {"VYR RS10", 101},
    {"VYR SURVEY", 2},
    {"VYR", 1},
    // Other vendors.
    {"TRIMBLE", 204},
    {"TOPCON", 205},
    {"TPS", 205},
    {"JPS", 206},
    {"ASHTECH", 207},
    {"SOK ", 208},
    {"NOV OEM", 210},
};

}  // namespace

void GetReceiverTypeFromIGS(const char* name, long& type) {
    // Names are judged on their first 16 characters, in upper case.
    char copy[17] = {};
    if (name != nullptr) {
        for (size_t i = 0; i < 16 && name[i] != '\0'; ++i)
            copy[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
    }
    for (const ReceiverRow& row : kReceiverRows) {
        if (std::strstr(copy, row.text) != nullptr) {
            type = row.type;
            return;
        }
    }
    type = 0;
}
