// What a project object and every station, association or list handed out from it share: the
// open project, or nothing once it is closed; and the lock that keeps one thread in it at a time.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <vyr/vyr.h>

namespace vyr_py {

struct ProjectState;
using State = std::shared_ptr<ProjectState>;

// The project held for one operation. The lock is taken before and released after the project
// reference, so closing waits for a read in progress on another thread.
struct Session {
    std::unique_lock<std::mutex> lock;
    CVyrIPtrSmart<IVyrStorageEx> project;
    const std::string& path;
};

struct ProjectState {
    std::string path;
    bool writable = false;
    CVyrIPtrSmart<IVyrStorageEx> project;  // empty once closed
    std::mutex mutex;

    // Throws vyr.Error 0x80008002 naming the path when the project is closed. Waits, without
    // the GIL, while another thread uses the project.
    Session use();
    // Releases the project: a project opened for writing is committed now. Closing twice is
    // harmless.
    void close();
    // Runs `work` (without the GIL) while the project, open for writing, is let go (committed)
    // so that `work` may open the file itself, then opens it for writing again. Throws vyr.Error
    // when the project is closed or read-only, or when it does not open again (it is closed
    // then).
    void while_let_go(const std::function<void()>& work);
};

}  // namespace vyr_py
