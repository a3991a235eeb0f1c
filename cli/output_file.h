// A file a command makes from a project (a picture): never written over a project, and only
// ever whole.
#pragma once

#include <string>

namespace vyr_cli {

// Throws CommandFailure "PATH: is a project (a compound document); COMMAND will not write over
// it" when path names the project the command reads (through links too) or any compound
// document, and "PATH: is in use by another program" when a document's lock is held on it.
void refuse_project_output(const std::string& path, const std::string& project,
                           const std::string& command);

// Writes bytes as the file path names (where a link there points), refused as above; an earlier
// file stays as it was until the new one is whole on the disk, and one that cannot be written
// leaves nothing behind.
void write_output_file(const std::string& path, const std::string& bytes,
                       const std::string& project, const std::string& command);

}  // namespace vyr_cli
