// The writer object behind IRnxWriter: owns the observation document and what it reports.
#include "rinex/rnx_writer.h"

#include <memory>
#include <new>

#include "rinex/obs_writer.h"

namespace rnx {
namespace {

class CRnxWriter final : public IRnxWriter {
public:
    eRNX GetLastError(eRNX& code) override {
        code = status_.last;
        return eRNX_S_OK;
    }
    eRNX GetLastErrorText(std::string& text) override {
        text = status_.text;
        return eRNX_S_OK;
    }
    eRNX GetBytesWritten(uint64_t& bytes) override {
        bytes = status_.bytes;
        return eRNX_S_OK;
    }
    eRNX GetEpochsWritten(uint64_t& epochs) override {
        epochs = status_.epochs;
        return eRNX_S_OK;
    }
    eRNX GetValuesNotWritten(uint64_t& values) override {
        values = status_.not_written;
        return eRNX_S_OK;
    }
    eRNX GetObsDocument(IRnxObsDocument*& document, bool& created) override {
        created = !document_;
        if (!document_) {
            document_.reset(new (std::nothrow) ObsDocument(status_));
            if (!document_) {
                document = nullptr;
                created = false;
                return eRNX_E_FILE_WRITE_ERROR;
            }
        }
        document = document_.get();
        return eRNX_S_OK;
    }

private:
    WriterStatus status_;
    std::unique_ptr<ObsDocument> document_;
};

}  // namespace
}  // namespace rnx

eRNX GetNewRnxWriter(IRnxWriter*& writer) {
    writer = new (std::nothrow) rnx::CRnxWriter();
    return writer ? eRNX_S_OK : eRNX_E_FILE_WRITE_ERROR;
}

eRNX ReleaseRnxWriter(IRnxWriter*& writer) {
    delete writer;
    writer = nullptr;
    return eRNX_S_OK;
}
