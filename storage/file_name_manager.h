// CFileNameManager: the name of an input file, accepted only when it names an existing file.
#pragma once

#include <vyr/error.h>

class CFileNameManager {
public:
    static constexpr int kMaxPath = 260;

    virtual ~CFileNameManager() = default;
    // 0x80008004 ("File not found.") for a null or empty path, one longer than 260 characters,
    // one naming nothing or a directory; the previous name is then kept.
    virtual VYR_ERROR SetFileName(const char* path);
    // The last name set, or the empty string.
    virtual const char* GetFileName() const;

private:
    char m_fileName[kMaxPath + 1] = {};
};
