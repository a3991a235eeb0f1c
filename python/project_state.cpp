#include "project_state.h"

#include <exception>

#include <pybind11/pybind11.h>

#include "errors.h"

namespace py = pybind11;

namespace vyr_py {

namespace {

std::unique_lock<std::mutex> lock_of(std::mutex& mutex) {
    std::unique_lock<std::mutex> lock(mutex, std::try_to_lock);
    if (!lock.owns_lock()) {
        // The holder may be waiting for the GIL to hand its result back.
        py::gil_scoped_release unlocked;
        lock.lock();
    }
    return lock;
}

}  // namespace

Session ProjectState::use() {
    std::unique_lock<std::mutex> lock = lock_of(mutex);
    if (!project.IsValid()) fail(VYR_E_INVALID_INTERFACE, path + ": the project is closed");
    return Session{std::move(lock), project, path};
}

void ProjectState::close() {
    std::unique_lock<std::mutex> lock = lock_of(mutex);
    // The last reference commits the document: that may write, so the GIL is let go.
    CVyrIPtrSmart<IVyrStorageEx> last = project;
    project.Reset();
    py::gil_scoped_release unlocked;
    last.Reset();
}

void ProjectState::while_let_go(const std::function<void()>& work) {
    std::unique_lock<std::mutex> lock = lock_of(mutex);
    if (!project.IsValid()) fail(VYR_E_INVALID_INTERFACE, path + ": the project is closed");
    if (!writable) fail(VYR_E_INVALID_OPEN_MODE, path + ": the project is open for reading only");
    CVyrIPtrSmart<IVyrStorageEx> last = project;
    project.Reset();
    VYR_ERROR reopened = VYR_OK;
    std::exception_ptr thrown;
    {
        py::gil_scoped_release unlocked;
        last.Reset();
        try {
            work();
        } catch (...) {
            thrown = std::current_exception();  // the project opens again all the same
        }
        CVyrIPtrSmart<IVyrEx> root = Vyr_GetIVyrEx();
        reopened =
            root.IsValid() ? root->OpenStorageEx(path.c_str(), project) : VYR_E_INVALID_INTERFACE;
    }
    if (thrown) std::rethrow_exception(thrown);
    check(reopened, path + ": does not open again");
}

}  // namespace vyr_py
