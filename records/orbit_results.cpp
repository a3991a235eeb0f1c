#include "records/orbit_results.h"

#include <iterator>
#include <new>
#include <utility>

#include "entry/error_collection.h"
#include "records/hand_out_collection.h"
#include "records/processing_parameters_format.h"
#include "records/single_record.h"
#include "storage/factories.h"

using namespace vyr_storage;

namespace {

// GetErrors hands out the kept collection through its narrower interface; releasing this view
// leaves the kept collection alone.
class CErrorsView final : public IVyrErrors {
public:
    explicit CErrorsView(const CVyrIPtrSmart<IVyrErrorsEx>& errors) : m_errors(errors) {}

    VYR_ERROR GetIntervalErrors(std::vector<VYR_PROCESSING_ERROR_INTERVAL>& errors) override {
        return m_errors->GetIntervalErrors(errors);
    }
    VYR_ERROR GetGeneralErrors(std::vector<VYR_PROCESSING_ERROR>& errors) override {
        return m_errors->GetGeneralErrors(errors);
    }
    void Release() override { delete this; }

private:
    CVyrIPtrSmart<IVyrErrorsEx> m_errors;
};

bool is_open(const CVyrPtrSmart<CStg>& storage) {
    return storage.IsValid() && storage->GetAccessMode() != vyr::kAccessClosed;
}

}  // namespace

namespace vyr_records {

VYR_ERROR ResultStorageBinding::Bind(uint32_t storageKind) {
    m_errors.Reset();
    m_result.Reset();
    if (!is_open(m_project)) return VYR_E_INVALID_INTERFACE;
    CVyrPtrSmart<CStg> result(new (std::nothrow) CStg());
    if (!result.IsValid()) return VYR_E_INVALID_INTERFACE;
    if (!CFactoryStorage(m_project.Get())
             .OpenOrCreate(storageKind, vyr::kDispositionOpenAlways, *result)) {
        // Only a writable project makes a missing storage.
        return m_project->GetLastError() == STG_E_FILENOTFOUND ? VYR_E_ENTRY_NOT_FOUND
                                                               : VYR_E_CANNOT_CREATE_ENTRY;
    }
    result->SetParent(m_project);
    m_result = result;
    return VYR_OK;
}

bool ResultStorageBinding::IsBound() const {
    return is_open(m_project) && is_open(m_result);
}

VYR_ERROR ResultStorageBinding::KeptErrors() {
    if (m_errors.IsValid()) return VYR_OK;
    return hand_out_object<CVyrErrors>(m_errors, &CVyrErrors::Status, m_result, m_version);
}

VYR_ERROR ResultStorageBinding::GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) {
    errors.Reset();
    if (!IsBound()) return VYR_E_INVALID_INTERFACE;
    const VYR_ERROR kept = KeptErrors();
    if (VyrFailed(kept)) return kept;
    errors = m_errors;
    return VYR_OK;
}

VYR_ERROR ResultStorageBinding::GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) {
    errors.Reset();
    if (!IsBound()) return VYR_E_INVALID_INTERFACE;
    const VYR_ERROR kept = KeptErrors();
    if (VyrFailed(kept)) return kept;
    auto* view = new (std::nothrow) CErrorsView(m_errors);
    if (view == nullptr) return VYR_E_INVALID_INTERFACE;
    errors = static_cast<IVyrErrors*>(view);
    if (!errors.IsValid()) {
        view->Release();
        return VYR_E_INVALID_INTERFACE;
    }
    return VYR_OK;
}

}  // namespace vyr_records

// CVyrOrbit

VYR_ERROR CVyrOrbit::Init() {
    static constexpr uint32_t kStorages[] = {
        kStorageOrbitBroadcastResult, kStorageOrbitPreciseResult, kStorageOrbitAlmanachResult};
    if (m_binding.Key() >= std::size(kStorages)) return VYR_E_INVALID_PARAMETER;
    return m_binding.Bind(kStorages[m_binding.Key()]);
}

void CVyrOrbit::Release() {
    delete this;
}

VYR_ERROR CVyrOrbit::GetProcessingParameters(VYR_PROCESSING_PARAMETERS_ORBIT& parameters) {
    if (!m_binding.IsBound()) return VYR_E_INVALID_INTERFACE;
    // Read over the defaults; the caller's record changes only when the whole record was read.
    VYR_PROCESSING_PARAMETERS_ORBIT read;
    const VYR_ERROR result = vyr_records::read_single_record(
        *m_binding.Result(), kStreamProcessingParametersOrbit, m_binding.Version(), read);
    if (result == VYR_OK) parameters = std::move(read);
    return result;
}

VYR_ERROR CVyrOrbit::SetProcessingParameters(const VYR_PROCESSING_PARAMETERS_ORBIT& parameters) {
    if (!m_binding.IsBound()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::write_single_record(*m_binding.Result(), kStreamProcessingParametersOrbit,
                                            parameters);
}

VYR_ERROR CVyrOrbit::GetCoefficientsCoordinates(
    CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_COORDINATES>>& coefficients) {
    coefficients.Reset();
    if (!m_binding.IsBound()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionOrbitCoefficientsCoordinates>(
        coefficients, m_binding.Result(), uint32_t{kStreamOrbitCoefficientsCoordinates},
        m_binding.Version());
}

VYR_ERROR CVyrOrbit::GetCoefficientsClock(
    CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_CLOCK>>& coefficients) {
    coefficients.Reset();
    if (!m_binding.IsBound()) return VYR_E_INVALID_INTERFACE;
    return vyr_records::hand_out_collection<CVyrCollectionOrbitCoefficientsClock>(
        coefficients, m_binding.Result(), uint32_t{kStreamOrbitCoefficientsClock},
        m_binding.Version());
}

VYR_ERROR CVyrOrbit::GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) {
    return m_binding.GetErrors(errors);
}

VYR_ERROR CVyrOrbit::GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) {
    return m_binding.GetErrorsEx(errors);
}

// The ionosphere objects

namespace vyr_records {

template <class Result>
void CVyrIonoModelResult<Result>::Release() {
    delete this;
}

template <class Result>
VYR_ERROR CVyrIonoModelResult<Result>::GetModels(
    CVyrIPtrSmart<typename Result::ModelsInterface>& models) {
    models.Reset();
    if (!m_binding.IsBound()) return VYR_E_INVALID_INTERFACE;
    return hand_out_collection<typename Result::Models>(
        models, m_binding.Result(), uint32_t{Result::kStream}, m_binding.Version());
}

template <class Result>
VYR_ERROR CVyrIonoModelResult<Result>::GetModelsEx(
    CVyrIPtrSmart<typename Result::ModelsInterfaceEx>& models) {
    models.Reset();
    if (!m_binding.IsBound()) return VYR_E_INVALID_INTERFACE;
    return hand_out_collection<typename Result::ModelsEx>(
        models, m_binding.Result(), uint32_t{Result::kStream}, m_binding.Version());
}

// The stream is rewritten through the collection: emptied, then each model added in the given
// order. Adding keeps the first model of a key, so the stored list never holds a key twice
// (stored duplicates would be counted by the stream size but dropped by the cache).
template <class Result>
VYR_ERROR CVyrIonoModelResult<Result>::SetModels(const std::vector<Model>& models) {
    if (!m_binding.IsBound()) return VYR_E_INVALID_INTERFACE;
    typename Result::ModelsEx collection(m_binding.Result(), Result::kStream, m_binding.Version());
    if (VyrFailed(collection.OpenResult())) return collection.OpenResult();
    const VYR_ERROR cleared = collection.DeleteAll();
    if (VyrFailed(cleared)) return cleared;
    for (const Model& model : models) {
        const VYR_ERROR added = collection.Add(model);
        if (VyrFailed(added)) return added;
    }
    return VYR_OK;
}

template <class Result>
VYR_ERROR CVyrIonoModelResult<Result>::AddModels(const std::vector<Model>& models) {
    if (!m_binding.IsBound()) return VYR_E_INVALID_INTERFACE;
    // Nothing to add: not even the stream is made.
    if (models.empty()) return VYR_OK;
    typename Result::ModelsEx collection(m_binding.Result(), Result::kStream, m_binding.Version());
    for (const Model& model : models) {
        const VYR_ERROR added = collection.Add(model);
        if (VyrFailed(added)) return added;
    }
    return VYR_OK;
}

template <class Result>
VYR_ERROR CVyrIonoModelResult<Result>::GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) {
    return m_binding.GetErrors(errors);
}

template <class Result>
VYR_ERROR CVyrIonoModelResult<Result>::GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) {
    return m_binding.GetErrorsEx(errors);
}

template class CVyrIonoModelResult<KlobucharResult>;
template class CVyrIonoModelResult<GlobalRegResult>;

}  // namespace vyr_records
