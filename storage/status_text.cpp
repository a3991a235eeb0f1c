#include "storage/status_text.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace vyr {

namespace {

struct StatusText {
    HRESULT status;
    const char* text;
};

constexpr StatusText kTexts[] = {
    {S_OK, "The operation completed successfully."},
    {S_FALSE, "The end of the stream was reached."},
    {E_NOTIMPL, "The operation is not implemented."},
    {E_NOINTERFACE, "The interface is not supported."},
    {E_POINTER, "A required pointer is null."},
    {E_FAIL, "The operation failed."},
    {E_OUTOFMEMORY, "Not enough memory is available to complete the operation."},
    {E_INVALIDARG, "One or more arguments are invalid."},
    {STG_E_INVALIDFUNCTION, "The function is not valid for this element."},
    {STG_E_FILENOTFOUND, "The file or element could not be found."},
    {STG_E_PATHNOTFOUND, "The path could not be found."},
    {STG_E_TOOMANYOPENFILES, "Too many files are open."},
    {STG_E_ACCESSDENIED, "Access to the element was denied."},
    {STG_E_INVALIDHANDLE, "The handle is not valid."},
    {STG_E_INSUFFICIENTMEMORY, "There is not enough memory to complete the operation."},
    {STG_E_INVALIDPOINTER, "A pointer is not valid."},
    {STG_E_NOMOREFILES, "There are no more elements."},
    {STG_E_DISKISWRITEPROTECTED, "The medium is write protected."},
    {STG_E_SEEKERROR, "A seek error occurred."},
    {STG_E_WRITEFAULT, "A write error occurred."},
    {STG_E_READFAULT, "A read error occurred."},
    {STG_E_SHAREVIOLATION, "The document is in use by another process or object."},
    {STG_E_LOCKVIOLATION, "The document is locked by another process or object."},
    {STG_E_FILEALREADYEXISTS, "The file or element already exists."},
    {STG_E_INVALIDPARAMETER, "A parameter is not valid."},
    {STG_E_MEDIUMFULL, "There is not enough space left on the medium."},
    {STG_E_ABNORMALAPIEXIT, "The storage operation ended abnormally."},
    {STG_E_INVALIDHEADER, "The file is not a valid compound document."},
    {STG_E_INVALIDNAME, "The name is not valid."},
    {STG_E_UNKNOWN, "An unexpected storage error occurred."},
    {STG_E_UNIMPLEMENTEDFUNCTION, "The storage function is not implemented."},
    {STG_E_INVALIDFLAG, "A mode or flag is not valid."},
    {STG_E_INUSE, "The element is already in use."},
    {STG_E_NOTCURRENT, "The element has been changed since it was opened."},
    {STG_E_REVERTED, "The element no longer exists."},
    {STG_E_CANTSAVE, "The element cannot be saved."},
    {STG_E_OLDFORMAT, "The document was written in an older format that is not supported."},
    {STG_E_NOTFILEBASEDSTORAGE, "The storage is not based on a file."},
    {STG_E_DOCFILECORRUPT, "The compound document is damaged."},
    {STG_E_DOCFILETOOLARGE, "The compound document is too large."},
};

}  // namespace

const char* status_text(HRESULT status) {
    const auto* found =
        std::find_if(std::begin(kTexts), std::end(kTexts),
                     [status](const StatusText& entry) { return entry.status == status; });
    return found != std::end(kTexts) ? found->text : "";
}

void copy_status_text(HRESULT status, char* text, uint32_t size) {
    if (text == nullptr || size == 0) return;
    const char* source = status_text(status);
    const size_t length = std::min<size_t>(std::strlen(source), size - 1);
    std::memcpy(text, source, length);
    text[length] = '\0';
}

}  // namespace vyr
