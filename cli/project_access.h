// Opening projects for the subcommands, and turning result codes into one-line failures.
#pragma once

#include <string>

#include <vyr/vyr.h>

namespace vyr_cli {

// Throws CommandFailure "PATH: text (0xCODE)" when code is a failure.
void check(VYR_ERROR code, const std::string& path);

// A project opened read-only: nothing is written when it closes.
class ReadOnlyProject {
public:
    explicit ReadOnlyProject(const std::string& path);
    ReadOnlyProject(const ReadOnlyProject&) = delete;
    ReadOnlyProject& operator=(const ReadOnlyProject&) = delete;
    ~ReadOnlyProject();

    IVyrStorage& storage() { return *m_project; }
    IVyrCommonData& common_data() { return *m_common; }

private:
    IStorage* m_document = nullptr;
    CVyrIPtrSmart<IVyrStorage> m_project;
    CVyrIPtrSmart<IVyrCommonData> m_common;
};

// A project opened for reading and writing; the library commits it when it closes.
class WritableProject {
public:
    explicit WritableProject(const std::string& path);

    IVyrStorageEx& storage() { return *m_project; }

private:
    CVyrIPtrSmart<IVyrStorageEx> m_project;
};

}  // namespace vyr_cli
