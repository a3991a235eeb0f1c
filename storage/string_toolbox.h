// CStringToolbox: small text tests the importers share. Text is UTF-8, the locale encoding here.
#pragma once

#include <string>

class CStringToolbox {
public:
    virtual ~CStringToolbox() = default;
    // Replaces every occurrence of find in text, in place; a null text does nothing.
    virtual void ReplaceChar(char* text, char find, char replacement) const;
    // True when the text is empty or holds no alphanumeric character. Every character outside
    // ASCII counts as alphanumeric: a name in another script is not blank.
    virtual bool IsBlank(const std::string& text) const;
    virtual bool IsBlank(const char* text) const;
};
