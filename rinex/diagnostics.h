// What a run tells its error handler, and the result it ends with.
#pragma once

#include <cstdint>
#include <string>

#include "rinex/rnx_reader.h"

namespace rnx {

class Diagnostics {
public:
    explicit Diagnostics(IRnxReaderError* handler) : handler_(handler) {}

    // A problem read past. lost: something of the file could not be delivered, so the run's
    // result becomes this code unless an error or an earlier loss came first.
    void warn(eRNX code, uint32_t line, const std::string& message, bool lost) {
        ++warnings_;
        if (lost && first_loss_ == eRNX_S_OK) first_loss_ = code;
        if (handler_) handler_->OnWarning(code, line, message.c_str());
    }
    // A problem that ends the reading of the file; returns the code for the caller to pass up.
    eRNX fail(eRNX code, uint32_t line, const std::string& message) {
        if (handler_) handler_->OnError(code, line, message.c_str());
        return code;
    }

    eRNX first_loss() const { return first_loss_; }
    uint32_t warnings() const { return warnings_; }

private:
    IRnxReaderError* handler_;
    eRNX first_loss_ = eRNX_S_OK;
    uint32_t warnings_ = 0;
};

}  // namespace rnx
