// What the processing kernel computed from the orbits and the ionosphere models: polynomial
// coefficients of satellite coordinates and clocks per orbit kind, and the Klobuchar and
// global/regional models it used. Each access object binds to one result storage of the project
// and hands out its processing parameters, its lists and its error collection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vyr/collection.h"
#include "vyr/error.h"
#include "vyr/iono_models.h"
#include "vyr/processing_errors.h"
#include "vyr/processing_parameters.h"
#include "vyr/smart_ptr.h"

// The orbit kinds of GetOrbit: which orbit the coefficients were fitted to.
enum VYR_ORBIT_KIND : uint32_t {
    VYR_ORBIT_BROADCAST = 0,
    VYR_ORBIT_PRECISE = 1,
    VYR_ORBIT_ALMANACH = 2,
};

#pragma pack(push, 1)
// One fit of a satellite's coordinates: a polynomial in time per axis around the reference time.
struct VYR_ORBIT_COEFFICIENTS_COORDINATES {
    uint8_t satellite;           // compact satellite number, 1 to 126
    double coefficients[3][11];  // X, Y, Z; constant term first
    double time;                 // reference time, MJD with fraction
    double span;                 // length of the fitted interval, days
    uint8_t degree;              // highest power used, at most 10
};

// One fit of a satellite's clock offset.
struct VYR_ORBIT_COEFFICIENTS_CLOCK {
    uint8_t satellite;
    double coefficients[11];
    double time;
    double span;
    uint8_t degree;
};
#pragma pack(pop)

static_assert(sizeof(VYR_ORBIT_COEFFICIENTS_COORDINATES) == 282);
static_assert(offsetof(VYR_ORBIT_COEFFICIENTS_COORDINATES, satellite) == 0);
static_assert(offsetof(VYR_ORBIT_COEFFICIENTS_COORDINATES, time) == 265);
static_assert(sizeof(VYR_ORBIT_COEFFICIENTS_CLOCK) == 106);
static_assert(offsetof(VYR_ORBIT_COEFFICIENTS_CLOCK, satellite) == 0);
static_assert(offsetof(VYR_ORBIT_COEFFICIENTS_CLOCK, time) == 89);

// Operations in slot order; IVyrOrbitEx adds its own after Release. Handed out by the common
// data, it holds the project and its result storage until released; the error collection it
// makes lives as long as it does. One thread at a time. Every operation answers
// VYR_E_INVALID_INTERFACE when the object is not bound to an open project. Lists are cached.
class IVyrOrbit {
public:
    // The parameters of this orbit kind; VYR_E_ENTRY_NOT_FOUND when none were stored, and the
    // caller's record changes only when the whole record was read.
    virtual VYR_ERROR GetProcessingParameters(VYR_PROCESSING_PARAMETERS_ORBIT& parameters) = 0;
    // The same error collection as GetErrorsEx.
    virtual VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;

protected:
    ~IVyrOrbit() = default;  // the object goes through Release
};

class IVyrOrbitEx : public IVyrOrbit {
public:
    // Writes the parameters of this orbit kind; VYR_E_CANNOT_CREATE_ENTRY in a project opened
    // for reading, VYR_E_WRITE_ENTRY_FAILED when the write fails.
    virtual VYR_ERROR SetProcessingParameters(
        const VYR_PROCESSING_PARAMETERS_ORBIT& parameters) = 0;
    // Keyed by satellite, then time (two times less than a microsecond apart are one).
    virtual VYR_ERROR GetCoefficientsCoordinates(
        CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_COORDINATES>>& coefficients) = 0;
    // The list of clock fits, keyed as the coordinates.
    virtual VYR_ERROR GetCoefficientsClock(
        CVyrIPtrSmart<IVyrCollection<VYR_ORBIT_COEFFICIENTS_CLOCK>>& coefficients) = 0;
    // Made on first use and kept: every call hands out the same collection.
    virtual VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) = 0;
    virtual ~IVyrOrbitEx() = default;
};

// The Klobuchar and the global/regional results share one slot order, and the lifetime and
// failure rules of the orbit results; a list missing from a project opened for reading gives
// VYR_E_ENTRY_NOT_FOUND.
class IVyrIonoKlobuchar {
public:
    // The read-only list of models.
    virtual VYR_ERROR GetModels(CVyrIPtrSmart<IVyrCollectionIonoKlobucharModel>& models) = 0;
    // Replaces the stored models by these; of models sharing a key the first is kept.
    virtual VYR_ERROR SetModels(const std::vector<VYR_IONO_KLOBUCHAR_MODEL>& models) = 0;
    // The error collection of the results, read-only; the same one as GetErrorsEx.
    virtual VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;

protected:
    ~IVyrIonoKlobuchar() = default;
};

class IVyrIonoKlobucharEx : public IVyrIonoKlobuchar {
public:
    // As GetModels, with Add.
    virtual VYR_ERROR GetModelsEx(CVyrIPtrSmart<IVyrCollectionIonoKlobucharModelEx>& models) = 0;
    // Adds one by one, skipping keys already stored; stops at the first failure.
    virtual VYR_ERROR AddModels(const std::vector<VYR_IONO_KLOBUCHAR_MODEL>& models) = 0;
    // Made on first use and kept: every call hands out the same collection.
    virtual VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) = 0;
    virtual ~IVyrIonoKlobucharEx() = default;
};

class IVyrIonoGlobalReg {
public:
    // The read-only list of models.
    virtual VYR_ERROR GetModels(CVyrIPtrSmart<IVyrCollectionIonoGlobalRegModel>& models) = 0;
    // Replaces the stored models by these; of models sharing a key the first is kept. Stops at
    // the first failure, leaving the models added so far.
    virtual VYR_ERROR SetModels(const std::vector<VYR_IONO_GLOBALREG_MODEL>& models) = 0;
    // The error collection of the results, read-only; the same one as GetErrorsEx.
    virtual VYR_ERROR GetErrors(CVyrIPtrSmart<IVyrErrors>& errors) = 0;
    // Drops the object; the smart pointer holding it calls this.
    virtual void Release() = 0;

protected:
    ~IVyrIonoGlobalReg() = default;
};

class IVyrIonoGlobalRegEx : public IVyrIonoGlobalReg {
public:
    // As GetModels, with Add.
    virtual VYR_ERROR GetModelsEx(CVyrIPtrSmart<IVyrCollectionIonoGlobalRegModelEx>& models) = 0;
    // Adds one by one, skipping keys already stored; stops at the first failure.
    virtual VYR_ERROR AddModels(const std::vector<VYR_IONO_GLOBALREG_MODEL>& models) = 0;
    // Made on first use and kept: every call hands out the same collection.
    virtual VYR_ERROR GetErrorsEx(CVyrIPtrSmart<IVyrErrorsEx>& errors) = 0;
    virtual ~IVyrIonoGlobalRegEx() = default;
};
