#include "storage/string_toolbox.h"

#include <cstring>

namespace {

bool is_alphanumeric(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
}

}  // namespace

void CStringToolbox::ReplaceChar(char* text, char find, char replacement) const {
    if (text == nullptr) return;
    for (char* c = text; *c != '\0'; ++c)
        if (*c == find) *c = replacement;
}

bool CStringToolbox::IsBlank(const std::string& text) const {
    for (unsigned char c : text)
        if (is_alphanumeric(c)) return false;
    return true;
}

bool CStringToolbox::IsBlank(const char* text) const {
    return text == nullptr || IsBlank(std::string(text));
}
