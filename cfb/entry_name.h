// Element names: what a legal name is and the order in which siblings are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cfb/interfaces.h"

namespace cfb {

constexpr size_t kMaxNameUnits = 31;  // UTF-16 units, a terminator follows on disk

// Copies a caller's name, refusing a null pointer (STG_E_INVALIDPOINTER) and empty, too long
// or names holding / \ : ! (STG_E_INVALIDNAME).
HRESULT take_name(const OLECHAR* name, std::u16string& out);

// Copies the name of an element to look up (open, destroy, rename or copy from): any name a
// document may hold, as other writers leave empty names and names with / \ : !, so those stay
// reachable; only a null pointer and names longer than an entry holds are refused.
HRESULT take_existing_name(const OLECHAR* name, std::u16string& out);

// Upper case of one UTF-16 unit as the sibling order uses it: the simple upper-case mapping of
// Unicode, from a fixed table (cfb/upper_case_table.cpp) so that every machine orders alike.
char16_t upper_unit(char16_t c);

// The sibling order of the format: shorter names first, then unit by unit in upper case.
// Names equal under this order are the same name.
int compare_names(const std::u16string& a, const std::u16string& b);

// The same order of two names as an entry stores them: `units` UTF-16 units, little-endian.
int compare_stored_names(const uint8_t* a, size_t a_units, const uint8_t* b, size_t b_units);

struct NameLess {
    bool operator()(const std::u16string& a, const std::u16string& b) const {
        return compare_names(a, b) < 0;
    }
};

}  // namespace cfb
