#include "storage/key_text.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace vyr_storage {

VYR_KEY key_from_number(uint64_t number) {
    VYR_KEY key{};
    key.type = VYR_KEY_NUMBER64;
    std::memcpy(key.value, &number, sizeof number);
    return key;
}

uint64_t key_number(const VYR_KEY& key) {
    uint64_t number = 0;
    std::memcpy(&number, key.value, sizeof number);
    return number;
}

uint32_t key_number32(const VYR_KEY& key) {
    uint32_t number = 0;
    std::memcpy(&number, key.value, sizeof number);
    return number;
}

std::string key_text(const VYR_KEY& key) {
    const auto* text = reinterpret_cast<const char*>(key.value);
    return std::string(text, strnlen(text, sizeof key.value - 1));
}

bool make_keyed_name(const char* kind_name, const VYR_KEY& key, std::string& name) {
    if (kind_name == nullptr) return false;
    const size_t kind_length = std::strlen(kind_name);
    char digits[24];
    std::string suffix;
    size_t reserved = 0;  // what the length check counts for the key part
    switch (key.type) {
        case VYR_KEY_TEXT:
            suffix = key_text(key);
            if (suffix.empty()) return false;
            reserved = suffix.size();
            break;
        case VYR_KEY_NUMBER32:
            std::snprintf(digits, sizeof digits, "%" PRIX32, key_number32(key));
            suffix = digits;
            reserved = 8;
            break;
        case VYR_KEY_NUMBER64:
            std::snprintf(digits, sizeof digits, "%" PRIX64, key_number(key));
            suffix = digits;
            reserved = 16;
            break;
        default:
            return false;
    }
    if (kind_length + reserved >= kKeyedNameBufferSize) return false;
    name.assign(kind_name, kind_length);
    name += suffix;
    return true;
}

}  // namespace vyr_storage

void VyrRecordToString(const VYR_KEY& key, std::string& text) {
    text.clear();
    char digits[24];
    switch (key.type) {
        case VYR_KEY_INVALID:
            text = "invalid key type";
            return;
        case VYR_KEY_NUMBER64:
            std::snprintf(digits, sizeof digits, "0x%016" PRIx64, vyr_storage::key_number(key));
            text = digits;
            return;
        case VYR_KEY_NUMBER32:
            std::snprintf(digits, sizeof digits, "0x%08" PRIx32, vyr_storage::key_number32(key));
            text = digits;
            return;
        case VYR_KEY_TEXT:
            text = vyr_storage::key_text(key);
            return;
        default:
            text = "unknown key type";
    }
}

void VyrRecordToString(const VYR_STATION_KEY& key, std::string& text) {
    VyrRecordToString(static_cast<const VYR_KEY&>(key), text);
}

void VyrRecordToString(const VYR_STATION_ASSOC_KEY& key, std::string& text) {
    VyrRecordToString(static_cast<const VYR_KEY&>(key), text);
}

void VyrRecordToString(const VYR_IONO_COMPUTED_ASSOC_KEY& key, std::string& text) {
    VyrRecordToString(static_cast<const VYR_KEY&>(key), text);
}
