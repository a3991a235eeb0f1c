// A project made by a command: written under no name in the folder of the name it is to have,
// and given that name only once something was committed into it, never replacing a file that
// appeared under that name meanwhile. A command that fails or dies leaves nothing behind.
#pragma once

#include <functional>
#include <string>

#include <vyr/vyr.h>

#include "pending_file.h"

namespace vyr_cli {

// Writes the content of a new document (an empty project, a copy of one).
using DocumentFill = std::function<VYR_ERROR(IStorage& document)>;

// An empty project, as IVyr::CreateStorageOnStorage makes it.
VYR_ERROR empty_project(IStorage& document);

class NewProject {
public:
    // Writes the document with `fill` and commits it; throws CommandFailure naming `path` when
    // anything of that fails, a commit that did not reach the disk included.
    explicit NewProject(const std::string& path, const DocumentFill& fill = empty_project);
    NewProject(const NewProject&) = delete;
    NewProject& operator=(const NewProject&) = delete;

    // Where the document can be opened while it has no name of its own.
    const std::string& work_path() const { return m_file.work_path(); }
    // Gives the document its name. False when a file of that name appeared meanwhile (it is
    // left alone); throws CommandFailure on any other failure, after which this object must
    // not be used again.
    bool place() { return m_file.place(); }

private:
    PendingFile m_file;
};

}  // namespace vyr_cli
