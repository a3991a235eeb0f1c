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
class IVyr {
public:
    virtual VYR_ERROR CreateStorageOnStorage(IStorage* storage,
                                             CVyrIPtrSmart<IVyrStorage>& project) = 0;
    virtual VYR_ERROR CreateStorageOnLockBytes(ILockBytes* bytes,
                                               CVyrIPtrSmart<IVyrStorage>& project) = 0;
    virtual VYR_ERROR CreateStorage(const char* path, CVyrIPtrSmart<IVyrStorage>& project) = 0;
    virtual VYR_ERROR OpenStorageOnStorage(IStorage* storage,
                                           CVyrIPtrSmart<IVyrStorage>& project) = 0;
    virtual VYR_ERROR OpenStorageOnLockBytes(ILockBytes* bytes,
                                             CVyrIPtrSmart<IVyrStorage>& project) = 0;
    virtual VYR_ERROR OpenStorage(const char* path, CVyrIPtrSmart<IVyrStorage>& project) = 0;
    virtual VYR_ERROR DeleteStorage(const char* path) = 0;
    virtual VYR_ERROR GetFileConverter(CVyrIPtrSmart<IVyrFileConverter>& converter) = 0;
    virtual VYR_ERROR GetTools(CVyrIPtrSmart<IVyrTools>& tools) = 0;
    virtual VYR_ERROR GetErrorText(VYR_ERROR code, std::string& text) = 0;
    virtual VYR_ERROR GetErrorTextBuffer(VYR_ERROR code, char* buffer, int32_t size) = 0;
    virtual VYR_ERROR EstimateSize(uint32_t unused, uint32_t count, uint32_t& estimate) = 0;
    virtual void Release() = 0;
    virtual ~IVyr() = default;
};

class IVyrEx : public IVyr {
public:
    virtual VYR_ERROR OpenStorageExOnLockBytes(ILockBytes* bytes,
                                               CVyrIPtrSmart<IVyrStorageEx>& project) = 0;
    virtual VYR_ERROR OpenStorageEx(const char* path, CVyrIPtrSmart<IVyrStorageEx>& project) = 0;
    // As OpenStorageEx, but for reading only and shared with other readers: the document is
    // opened deny-write (0x20) rather than exclusive, so any number of these opens, in this
    // process or others, hold it at once, while a writer is refused for as long as one is open.
    // A document that a writer holds fails with 0x80009002, as every open does; nothing is
    // written when the project closes. Added last so the slots above keep their places.
    virtual VYR_ERROR OpenStorageReadOnlyShared(const char* path,
                                                CVyrIPtrSmart<IVyrStorageEx>& project) = 0;
};

// Each call hands out a new root; empty when memory is exhausted.
VYR_API CVyrIPtrSmart<IVyr> Vyr_GetIVyr();
VYR_API CVyrIPtrSmart<IVyrEx> Vyr_GetIVyrEx();

// The library's own version, "major.minor.patch".
VYR_API const char* vyr_version();
