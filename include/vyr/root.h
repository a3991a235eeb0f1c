// The front door: the root object that creates, opens and deletes projects and hands out the
// objects that need no project.
#pragma once

#include <cstdint>
#include <string>

#include "cfb/interfaces.h"
#include "vyr/error.h"
#include "vyr/export.h"
#include "vyr/smart_ptr.h"

class IVyrStorage;
class IVyrStorageEx;
class IVyrFileConverter;
class IVyrTools;

// Operations in slot order; IVyrEx adds its own after Release.
// Holds nothing but itself: projects, converters and tools it hands out may outlive it. One
// thread at a time, as for everything the library hands out. The creates write version
// 3.0, status 0 and the default records; the opens load the project's GLONASS channel map into
// the process-wide store. A failed create or open leaves the out pointer empty.
class IVyr {
public:
    // A new project in the caller's open storage. VYR_E_INVALID_PARAMETER for null,
    // VYR_E_STORAGE_NOT_CREATED when it cannot be bound, VYR_E_CANNOT_CREATE_ENTRY when the version
    // or status stream exists or cannot be written.
    virtual VYR_ERROR CreateStorageOnStorage(IStorage* storage,
                                             CVyrIPtrSmart<IVyrStorage>& project) = 0;
    // A new project on the caller's byte array; fails as CreateStorageOnStorage.
    virtual VYR_ERROR CreateStorageOnLockBytes(ILockBytes* bytes,
                                               CVyrIPtrSmart<IVyrStorage>& project) = 0;
    // A new compound file at path, opened read/write and exclusive; an existing file is never
    // replaced (VYR_E_STORAGE_NOT_CREATED). VYR_E_INVALID_PARAMETER for an empty path.
    virtual VYR_ERROR CreateStorage(const char* path, CVyrIPtrSmart<IVyrStorage>& project) = 0;
    // A project in the caller's open storage, with the storage's own access mode.
    // VYR_E_INVALID_PARAMETER for null, VYR_E_INVALID_INTERFACE when its mode cannot be read,
    // VYR_E_ENTRY_NOT_FOUND without "StorageVersion", VYR_E_WRONG_KERNEL_VERSION newer than 3.0.
    virtual VYR_ERROR OpenStorageOnStorage(IStorage* storage,
                                           CVyrIPtrSmart<IVyrStorage>& project) = 0;
    // The project on the caller's byte array, read/write; fails as OpenStorage.
    virtual VYR_ERROR OpenStorageOnLockBytes(ILockBytes* bytes,
                                             CVyrIPtrSmart<IVyrStorage>& project) = 0;
    // The project file at path, read/write and exclusive. VYR_E_INVALID_PARAMETER for an empty
    // path, VYR_E_STORAGE_NOT_FOUND when it is missing, damaged or held by another open,
    // VYR_E_ENTRY_NOT_FOUND without "StorageVersion", VYR_E_WRONG_KERNEL_VERSION newer than 3.0.
    virtual VYR_ERROR OpenStorage(const char* path, CVyrIPtrSmart<IVyrStorage>& project) = 0;
    // Deletes the file at path. VYR_E_INVALID_PARAMETER for an empty path,
    // VYR_E_STORAGE_NOT_FOUND when missing, VYR_E_STORAGE_IN_USE while a project holds it,
    // VYR_E_DELETE_FAILED when the file system refuses.
    virtual VYR_ERROR DeleteStorage(const char* path) = 0;
    // A new importer front; needs no project. VYR_E_INVALID_INTERFACE when memory runs out.
    virtual VYR_ERROR GetFileConverter(CVyrIPtrSmart<IVyrFileConverter>& converter) = 0;
    // A new tools object; needs no project. VYR_E_INVALID_INTERFACE when memory runs out.
    virtual VYR_ERROR GetTools(CVyrIPtrSmart<IVyrTools>& tools) = 0;
    // As ErrorToStringDef.
    virtual VYR_ERROR GetErrorText(VYR_ERROR code, std::string& text) = 0;
    // The message text into buffer, cut to size - 1 bytes and always terminated.
    // VYR_E_INVALID_PARAMETER for a null buffer or size below 1, VYR_E_ENTRY_NOT_FOUND (and an
    // empty buffer) when the code has no text.
    virtual VYR_ERROR GetErrorTextBuffer(VYR_ERROR code, char* buffer, int32_t size) = 0;
    // Bytes a stream of count records is expected to take: count * 1.6, low 32 bits. Never fails.
    virtual VYR_ERROR EstimateSize(uint32_t unused, uint32_t count, uint32_t& estimate) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;
    virtual ~IVyr() = default;
};

// Opens that hand out the extended project; each fails as its IVyr counterpart.
class IVyrEx : public IVyr {
public:
    // As OpenStorageOnLockBytes.
    virtual VYR_ERROR OpenStorageExOnLockBytes(ILockBytes* bytes,
                                               CVyrIPtrSmart<IVyrStorageEx>& project) = 0;
    // As OpenStorage.
    virtual VYR_ERROR OpenStorageEx(const char* path, CVyrIPtrSmart<IVyrStorageEx>& project) = 0;
    // As OpenStorageEx, but for reading only and shared with other readers: the document is
    // opened deny-write (0x20) rather than exclusive, so any number of these opens, in this
    // process or others, hold it at once, while a writer is refused for as long as one is open.
    // A document that a writer holds fails with VYR_E_STORAGE_NOT_FOUND, as every open does;
    // nothing is written when the project closes. Added last so the slots above keep their places.
    virtual VYR_ERROR OpenStorageReadOnlyShared(const char* path,
                                                CVyrIPtrSmart<IVyrStorageEx>& project) = 0;
};

// Each call hands out a new root; empty when memory is exhausted. Needs nothing before it.
VYR_API CVyrIPtrSmart<IVyr> Vyr_GetIVyr();
// As Vyr_GetIVyr, with the extended root.
VYR_API CVyrIPtrSmart<IVyrEx> Vyr_GetIVyrEx();

// The library's own version, "major.minor.patch".
VYR_API const char* vyr_version();
