// Result codes of every operation and their message texts.
#pragma once

#include <cstdint>
#include <string>

#include "vyr/export.h"

// 0 success, negative failure (high word 0x8000), positive success with a notice. The message
// text of a code is found by its low 16 bits alone. Codes of the processing kernel (blocks
// 0x2000-0x5000, 0xA000-0xD000) are not named here: the library only stores and formats them.
enum VYR_ERROR : int32_t {
    VYR_OK = 0,
    VYR_S_HALF_WAVELENGTH_DATA = 0x00001001,
    VYR_S_UNKNOWN_RETURN_VALUE = 0x00005007,

    VYR_E_INVALID_PARAMETER = static_cast<int32_t>(0x80008001u),
    VYR_E_INVALID_INTERFACE = static_cast<int32_t>(0x80008002u),
    VYR_E_NOT_IMPLEMENTED = static_cast<int32_t>(0x80008003u),
    VYR_E_FILE_NOT_FOUND = static_cast<int32_t>(0x80008004u),
    VYR_E_BUFFER_TOO_SHORT = static_cast<int32_t>(0x80008006u),

    VYR_E_STORAGE_NOT_CREATED = static_cast<int32_t>(0x80009001u),
    VYR_E_STORAGE_NOT_FOUND = static_cast<int32_t>(0x80009002u),
    VYR_E_CANNOT_CREATE_ENTRY = static_cast<int32_t>(0x80009003u),
    VYR_E_ENTRY_NOT_FOUND = static_cast<int32_t>(0x80009004u),
    VYR_E_READ_ENTRY_FAILED = static_cast<int32_t>(0x80009005u),
    VYR_E_WRITE_ENTRY_FAILED = static_cast<int32_t>(0x80009006u),
    VYR_E_WRONG_KERNEL_VERSION = static_cast<int32_t>(0x80009007u),
    VYR_E_INVALID_OPEN_MODE = static_cast<int32_t>(0x80009008u),
    VYR_E_MODE_NOT_SUPPORTED = static_cast<int32_t>(0x80009009u),
    VYR_E_CACHE_CONTAINER = static_cast<int32_t>(0x8000900Au),
    VYR_E_STORAGE_IN_USE = static_cast<int32_t>(0x8000900Bu),
    VYR_E_ENTRY_EXISTS = static_cast<int32_t>(0x8000900Cu),
    VYR_E_ITERATOR_AT_END = static_cast<int32_t>(0x8000900Du),
    VYR_E_ITERATOR_READ_FAILED = static_cast<int32_t>(0x8000900Eu),
    VYR_E_ITERATOR_INVALID_STATUS = static_cast<int32_t>(0x8000900Fu),
    VYR_E_MEMORY_OVERFLOW = static_cast<int32_t>(0x80009010u),
    VYR_E_DELETE_FAILED = static_cast<int32_t>(0x80009011u),
    VYR_E_NO_MORE_ENTRIES = static_cast<int32_t>(0x80009012u),
    VYR_E_INVALID_STATUS = static_cast<int32_t>(0x80009013u),
    VYR_E_NO_MATCH = static_cast<int32_t>(0x80009014u),
    VYR_E_NO_POINT_DESCRIPTION = static_cast<int32_t>(0x80009015u),
    VYR_E_STREAM_NOT_DELETED = static_cast<int32_t>(0x80009016u),

    VYR_E_UNSUPPORTED_FILE = static_cast<int32_t>(0x8000E001u),
    VYR_E_FAILED_TO_READ = static_cast<int32_t>(0x8000E002u),
    VYR_E_HEADER_OR_DATA_MISSING = static_cast<int32_t>(0x8000E003u),
};

// Callers test success as a code that is not negative; a notice never stops an operation.
inline bool VyrSucceeded(VYR_ERROR code) {
    return code >= 0;
}
inline bool VyrFailed(VYR_ERROR code) {
    return code < 0;
}

// Looks up the message text of the code's low 16 bits. Returns 0 and the text, or
// VYR_E_ENTRY_NOT_FOUND and the empty string when the code has no text. Placeholders ("%s") stay as
// they are. At most 499 bytes of text are returned.
VYR_API VYR_ERROR ErrorToStringDef(VYR_ERROR code, std::string& text);

// A failure told to a person: "SUBJECT: TEXT (0xCODE)", TEXT being the code's message text
// ("failed" when it has none) and CODE its eight hex digits. Never fails.
VYR_API std::string Vyr_FailureText(VYR_ERROR code, const std::string& subject);
