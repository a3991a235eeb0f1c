// A file written under no name in the folder of the name it is to have (or under a hidden
// temporary name where the folder takes no unnamed files), and given that name only once it is
// whole: a command that fails or dies never leaves a part of a file under the name, nor a file
// of its own beside it.
#pragma once

#include <string>

namespace vyr_cli {

class PendingFile {
public:
    // Makes the file, empty; throws CommandFailure "PATH: reason" when the folder takes none
    // ("PATH: cannot write: reason" with cannot_write, as a command that writes files says it).
    explicit PendingFile(const std::string& path, bool cannot_write = false);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Where the file can be opened while it has no name of its own.
    const std::string& work_path() const { return m_workPath; }
    // Appends bytes; throws CommandFailure "PATH: cannot write: reason".
    void write(const std::string& bytes);
    // Gives the file its name, never in the place of another: false when a file of that name
    // appeared meanwhile (it is left alone). Throws CommandFailure on any other failure, after
    // which this object must not be used again.
    bool place();
    // Gives the file its name in the place of whatever has it, once its bytes are on the disk;
    // until then the file there stays whole. Throws CommandFailure "PATH: cannot write: reason".
    void replace();

private:
    // Removes what this object made, as far as it still has no name.
    void discard();
    // Makes the name durable: the folder is flushed.
    void flush_folder() const;

    std::string m_path;
    std::string m_workPath;  // /proc/self/fd/N of an unnamed file, or a hidden temporary name
    int m_fd = -1;           // the file, kept open until it has a name
    bool m_named = false;    // m_workPath is a temporary name of ours, to be removed
    long long m_size = 0;    // bytes written through `write`
};

}  // namespace vyr_cli
