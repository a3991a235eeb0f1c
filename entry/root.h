// CVyr: the root object. It has no state; every operation works only on its arguments.
#pragma once

#include <vyr/root.h>

class CVyr final : public IVyrEx {
public:
    VYR_ERROR CreateStorageOnStorage(IStorage* storage,
                                     CVyrIPtrSmart<IVyrStorage>& project) override;
    VYR_ERROR CreateStorageOnLockBytes(ILockBytes* bytes,
                                       CVyrIPtrSmart<IVyrStorage>& project) override;
    VYR_ERROR CreateStorage(const char* path, CVyrIPtrSmart<IVyrStorage>& project) override;
    VYR_ERROR OpenStorageOnStorage(IStorage* storage, CVyrIPtrSmart<IVyrStorage>& project) override;
    VYR_ERROR OpenStorageOnLockBytes(ILockBytes* bytes,
                                     CVyrIPtrSmart<IVyrStorage>& project) override;
    VYR_ERROR OpenStorage(const char* path, CVyrIPtrSmart<IVyrStorage>& project) override;
    VYR_ERROR DeleteStorage(const char* path) override;
    VYR_ERROR GetFileConverter(CVyrIPtrSmart<IVyrFileConverter>& converter) override;
    VYR_ERROR GetTools(CVyrIPtrSmart<IVyrTools>& tools) override;
    VYR_ERROR GetErrorText(VYR_ERROR code, std::string& text) override;
    VYR_ERROR GetErrorTextBuffer(VYR_ERROR code, char* buffer, int32_t size) override;
    VYR_ERROR EstimateSize(uint32_t unused, uint32_t count, uint32_t& estimate) override;
    void Release() override;

    VYR_ERROR OpenStorageExOnLockBytes(ILockBytes* bytes,
                                       CVyrIPtrSmart<IVyrStorageEx>& project) override;
    VYR_ERROR OpenStorageEx(const char* path, CVyrIPtrSmart<IVyrStorageEx>& project) override;
    VYR_ERROR OpenStorageReadOnlyShared(const char* path,
                                        CVyrIPtrSmart<IVyrStorageEx>& project) override;
};
