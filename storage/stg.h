// One storage of a compound document: the only way the library reaches the platform's storages.
// Every operation reports success as a boolean and keeps the platform's status of its last call.
// A failed precondition fails without calling the platform and leaves the last status alone.
#pragma once

#include <cstdint>
#include <string>

#include <vyr/smart_ptr.h>
#include "cfb/cfb.h"
#include "storage/stm.h"

namespace vyr {

// How OpenOrCreateSubStorage and OpenOrCreateStream treat the element.
inline constexpr int32_t kDispositionCreateNew = 1;     // fails when it exists
inline constexpr int32_t kDispositionCreateAlways = 2;  // replaces an existing element
inline constexpr int32_t kDispositionOpenExisting = 3;
inline constexpr int32_t kDispositionOpenAlways = 4;  // creates only when it is missing

// What CopyTo leaves out.
inline constexpr int32_t kCopyAll = 0;
inline constexpr int32_t kCopyWithoutResults = 1;
inline constexpr int32_t kCopyWithoutMeasurements = 2;

}  // namespace vyr

// Entry names and paths given as 8-bit text are UTF-8. A name that is not valid UTF-8 never
// reaches the platform: the call fails with last status STG_E_INVALIDNAME, the status the
// platform gives any name it cannot use, so callers see one reason for both. Nothing throws.
class CStg {
public:
    CStg() = default;
    CStg(const CStg&) = delete;
    CStg& operator=(const CStg&) = delete;
    // A root opened for writing (mode 1 or 2) commits here; children and read-only roots never do.
    // The storage goes before the parent, so a child never outlives the document it lives in.
    ~CStg();

    // Document sources: each requires a closed CStg and makes this the root of the document.
    // A new compound file (fails when the file exists); access mode 2.
    bool CreateDocument(const char* path);
    // A new document on the caller's byte array, replacing what it held; access mode 2.
    bool CreateDocumentOnLockBytes(ILockBytes* bytes);
    // A new project in the caller's storage; access mode 2. Takes a reference of its own.
    bool Attach(IStorage* storage);
    bool OpenDocument(const char* path, int32_t mode);
    // For reading beside other such readers (deny-write instead of exclusive); access mode 0.
    // A writer holding the document refuses it, and it refuses writers while it is open.
    bool OpenDocumentShared(const char* path);
    bool OpenDocumentOnLockBytes(ILockBytes* bytes, int32_t mode);
    bool Attach(IStorage* storage, int32_t mode);

    // Children: require this open and a closed child. An access mode outside 0 to 2 is refused
    // before the platform sees it, as the platform mode word is built from it.
    bool OpenSubStorage(const OLECHAR* name, int32_t mode, CStg& child);
    // mode is a platform mode word; the child's access mode is its low two bits.
    bool CreateSubStorage(const OLECHAR* name, DWORD mode, CStg& child);
    bool OpenOrCreateSubStorage(const char* name, int32_t mode, int32_t disposition, CStg& child);
    bool OpenOrCreateSubStorage(const OLECHAR* name, int32_t mode, int32_t disposition,
                                CStg& child);
    bool OpenStream(const char* name, int32_t mode, CStm& stream);
    // mode is a platform mode word; the stream's access mode is its low two bits.
    bool CreateStream(const char* name, DWORD mode, CStm& stream);
    bool OpenOrCreateStream(const char* name, int32_t mode, int32_t disposition, CStm& stream);
    // Removes a stream or a whole sub-storage.
    bool DestroyElement(const char* name);

    // Copies every element of this storage, recursively, into the open destination, leaving out
    // the names the copy mode excludes at every level. On failure what was copied stays.
    bool CopyTo(const CVyrPtrSmart<CStg>& destination, int32_t copyMode);

    // The last status; when text is given it receives the status's text (see status_text.h).
    HRESULT GetLastError(char* text = nullptr, uint32_t size = 0) const;
    // -1 closed, 0 read, 1 write, 2 read/write.
    int32_t GetAccessMode() const { return m_accessMode; }
    // A child made by an owner object may hold its parent so that the parent stays open.
    void SetParent(const CVyrPtrSmart<CStg>& parent) { m_parent = parent; }

private:
    bool IsOpen() const { return m_accessMode != vyr::kAccessClosed; }
    // Element names and document paths read their 8-bit text differently (name_conversion.h).
    bool ElementNameToUtf16(const char* name, std::u16string& out);
    bool PathToUtf16(const char* path, std::u16string& out);
    bool BecomeRoot(IStorage* storage, int32_t mode);
    bool AdoptChild(IStorage* storage, int32_t mode, CStg& child);
    bool AdoptStream(IStream* stream, int32_t mode, CStm& child);
    bool OpenStreamUtf16(const OLECHAR* name, int32_t mode, CStm& stream);
    bool CreateStreamUtf16(const OLECHAR* name, DWORD mode, CStm& stream);
    bool CopyElements(CStg& destination, int32_t copyMode);
    bool CopyStorage(const OLECHAR* name, CStg& destination, int32_t copyMode);

    CVyrIPtrSmart<IStorage> m_storage;
    CVyrPtrSmart<CStg> m_parent;
    HRESULT m_lastStatus = S_OK;
    int32_t m_accessMode = vyr::kAccessClosed;
    bool m_root = false;
};
