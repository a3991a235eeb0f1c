// The project's station associations and computed-ionosphere associations. Each list of keys
// ("StationAssocList", "IonoCompAssocList") names association storages, which these collections
// create, open and destroy. Keys are never given by the caller: the project's key generator
// derives them from the descriptions, so a description is found again by its contents.
#pragma once

#include <cstdint>
#include <new>

#include <vyr/association.h>

#include "records/collection.h"
#include "records/collection_keys.h"
#include "stations/iono_computed_assoc.h"
#include "stations/station_assoc.h"
#include "storage/create_key.h"
#include "storage/factories.h"
#include "storage/layout.h"

namespace vyr_records {

// A station entry an association may take: a usable key and an index that is set.
bool is_acceptable_assoc_entry(const VYR_ASSOC_STATION& entry);

// Removes a keyed storage of the project: true when it is gone, including when it was gone
// already (a key whose storage is missing must still be removable).
bool destroy_keyed(CStg& project, uint32_t kind, const VYR_KEY& key);

struct StationAssocTraits {
    using Key = VYR_STATION_ASSOC_KEY;
    using Description = VYR_STATION_ASSOC;
    using Object = CVyrStationAssoc;
    using Interface = IVyrStationAssoc;
    using InterfaceEx = IVyrStationAssocEx;
    // Keeps the stream offsets of its keys; deleting marks the cache not loaded.
    using Base =
        CVyrCollectionStream<Key, CCollectionCacheStreamKey<Key>, IVyrCollectionStationAssocEx>;
    static constexpr uint32_t kStream = vyr_storage::kStreamStationAssocList;
    static constexpr uint32_t kKind = vyr_storage::kStorageStationAssoc;
    // 0x80008001 for an unusable rover, more than one linked station or an unacceptable one.
    static VYR_ERROR Check(const Description& description);
    static void DeriveKey(CCreateKey& keys, const Description& description, Key& key) {
        keys.KeyFromStationAssoc(description, key);
    }
};

struct IonoComputedAssocTraits {
    using Key = VYR_IONO_COMPUTED_ASSOC_KEY;
    using Description = VYR_IONO_COMPUTED_ASSOC;
    using Object = CVyrIonoComputedAssoc;
    using Interface = IVyrIonoComputedAssoc;
    using InterfaceEx = IVyrIonoComputedAssocEx;
    using Base = CVyrCollection<Key, CCollectionCacheKey<Key>, IVyrCollectionIonoComputedAssocEx>;
    static constexpr uint32_t kStream = vyr_storage::kStreamIonoCompAssocList;
    static constexpr uint32_t kKind = vyr_storage::kStorageIonoCompAssoc;
    // 0x80008001 unless exactly one acceptable entry.
    static VYR_ERROR Check(const Description& description);
    static void DeriveKey(CCreateKey& keys, const Description& description, Key& key) {
        keys.KeyFromIonoCompAssoc(description, key);
    }
};

template <class Traits>
class CVyrCollectionAssoc : public Traits::Base {
    using Base = typename Traits::Base;
    using Key = typename Traits::Key;
    using Description = typename Traits::Description;
    using Interface = typename Traits::Interface;
    using InterfaceEx = typename Traits::InterfaceEx;

public:
    CVyrCollectionAssoc(const CVyrPtrSmart<CStg>& project, const CVyrPtrSmart<CCreateKey>& keys,
                        uint32_t version)
        : Base(project, Traits::kStream, version), m_keys(keys) {}

    VYR_ERROR Add(const Key& /*key*/) override { return VYR_E_NOT_IMPLEMENTED; }
    VYR_ERROR DeleteAll() override { return VYR_E_NOT_IMPLEMENTED; }

    VYR_ERROR GetAssocAt(uint32_t index, CVyrIPtrSmart<Interface>& assoc) override {
        return OpenAt(index, assoc);
    }
    VYR_ERROR GetAssocExAt(uint32_t index, CVyrIPtrSmart<InterfaceEx>& assoc) override {
        return OpenAt(index, assoc);
    }
    VYR_ERROR GetAssoc(const Key& key, CVyrIPtrSmart<Interface>& assoc) override {
        return OpenListed(key, assoc);
    }
    VYR_ERROR GetAssocEx(const Key& key, CVyrIPtrSmart<InterfaceEx>& assoc) override {
        return OpenListed(key, assoc);
    }

    VYR_ERROR GetAssocByDescription(const Description& description,
                                    CVyrIPtrSmart<Interface>& assoc) override {
        assoc.Reset();
        if (!IsAlive()) return VYR_E_INVALID_INTERFACE;
        Key key{};
        Traits::DeriveKey(*m_keys, description, key);
        return OpenListed(key, assoc);
    }

    VYR_ERROR GetFirstAssoc(CVyrIPtrSmart<Interface>& assoc) override {
        assoc.Reset();
        Key key{};
        const VYR_ERROR found = this->GetFirst(key);
        if (VyrFailed(found)) return found;
        return Make(key, nullptr, false, assoc);
    }

    VYR_ERROR GetNextAssoc(CVyrIPtrSmart<Interface>& assoc) override {
        assoc.Reset();
        Key key{};
        const VYR_ERROR found = this->GetNext(key);
        if (VyrFailed(found)) return found;
        return Make(key, nullptr, false, assoc);
    }

    VYR_ERROR AddAssoc(const Description& description, CVyrIPtrSmart<Interface>& assoc) override {
        assoc.Reset();
        const VYR_ERROR checked = Traits::Check(description);
        if (VyrFailed(checked)) return checked;
        if (!IsAlive()) return VYR_E_INVALID_INTERFACE;
        Key key{};
        Traits::DeriveKey(*m_keys, description, key);
        if (this->Contains(key)) return VYR_E_ENTRY_EXISTS;
        const VYR_ERROR listed = Base::Add(key);
        if (VyrFailed(listed)) return listed;
        const VYR_ERROR made = Make(key, &description, true, assoc);
        if (VyrFailed(made)) Base::Delete(key);
        return made;
    }

    // The storage goes first: one that cannot go (the association is open) keeps its key, so
    // that list and file never disagree and the association stays reachable.
    VYR_ERROR Delete(const Key& key) override {
        if (!this->m_stream.Storage().IsValid()) return VYR_E_INVALID_INTERFACE;
        if (!this->Contains(key)) return VYR_E_ENTRY_NOT_FOUND;
        if (!destroy_keyed(*this->m_stream.Storage(), Traits::kKind, key))
            return VYR_E_DELETE_FAILED;
        return Base::Delete(key);
    }

    VYR_ERROR DeleteAt(uint32_t index) override {
        Key key{};
        const VYR_ERROR found = this->GetAt(index, key);
        if (VyrFailed(found)) return found;
        return Delete(key);
    }

private:
    bool IsAlive() const { return this->m_stream.Storage().IsValid() && m_keys.IsValid(); }

    // Creates (with the description) or opens the association of a key and hands it out.
    template <class Out>
    VYR_ERROR Make(const Key& key, const Description* description, bool create,
                   CVyrIPtrSmart<Out>& assoc) {
        assoc.Reset();
        if (!vyr_stations::is_usable_assoc_key(key)) return VYR_E_INVALID_PARAMETER;
        if (!IsAlive()) return VYR_E_INVALID_INTERFACE;
        auto* object = new (std::nothrow)
            typename Traits::Object(this->m_stream.Storage(), key, this->m_stream.Version());
        if (object == nullptr) return VYR_E_INVALID_INTERFACE;
        const VYR_ERROR made = create ? object->Create(description) : object->Open();
        if (VyrFailed(made)) {
            object->Release();
            return made;
        }
        assoc = static_cast<Out*>(object);
        if (!assoc.IsValid()) {
            object->Release();
            // A storage made here and handed to nobody would block the description for good.
            if (create) destroy_keyed(*this->m_stream.Storage(), Traits::kKind, key);
            return VYR_E_INVALID_INTERFACE;
        }
        return VYR_OK;
    }

    template <class Out>
    VYR_ERROR OpenListed(const Key& key, CVyrIPtrSmart<Out>& assoc) {
        assoc.Reset();
        if (!vyr_stations::is_usable_assoc_key(key)) return VYR_E_INVALID_PARAMETER;
        if (!this->Contains(key)) return VYR_E_ENTRY_NOT_FOUND;
        return Make(key, nullptr, false, assoc);
    }

    template <class Out>
    VYR_ERROR OpenAt(uint32_t index, CVyrIPtrSmart<Out>& assoc) {
        assoc.Reset();
        Key key{};
        const VYR_ERROR found = this->GetAt(index, key);
        if (VyrFailed(found)) return found;
        return Make(key, nullptr, false, assoc);
    }

    CVyrPtrSmart<CCreateKey> m_keys;
};

}  // namespace vyr_records

class CVyrCollectionStationAssoc final
    : public vyr_records::CVyrCollectionAssoc<vyr_records::StationAssocTraits> {
public:
    using CVyrCollectionAssoc::CVyrCollectionAssoc;
};

class CVyrCollectionIonoComputedAssoc final
    : public vyr_records::CVyrCollectionAssoc<vyr_records::IonoComputedAssocTraits> {
public:
    using CVyrCollectionAssoc::CVyrCollectionAssoc;
};
