#include "records/processing_parameters_format.h"

#include <cassert>
#include <cstring>
#include <vector>

#include "records/counted_encoding.h"

namespace vyr_records {
namespace {

constexpr size_t kStoredOrbitFields = 44;  // the 45th byte stays in memory

struct OldLayout {
    size_t kernel;
    size_t orbit;
};

// Sizes of the kernel and orbit layouts of storage versions 1 and 2.
bool old_layout(uint32_t version, OldLayout& layout) {
    if (version == 1)
        layout = {129, 168};
    else if (version == 2)
        layout = {139, 272};
    else
        return false;
    return true;
}

// Reads an old block and takes over its leading bytes into today's fields.
bool read_prefix(CStm& stream, size_t stored, void* fields, size_t kept) {
    std::vector<uint8_t> block(stored, 0);
    if (!stream.Read(block.data(), static_cast<uint32_t>(stored))) return false;
    std::memcpy(fields, block.data(), std::min(stored, kept));
    return true;
}

bool read_outer_range(CStm& stream, VYR_PROCESSING_PARAMETERS_OUTER_FIELDS& outer, size_t first,
                      size_t last) {
    assert(first <= last && last < sizeof outer);
    auto* bytes = reinterpret_cast<uint8_t*>(&outer);
    return stream.Read(bytes + first, static_cast<uint32_t>(last - first + 1));
}

}  // namespace

bool read_kernel_parameters(CStm& stream, uint32_t version,
                            VYR_PROCESSING_PARAMETERS_KERNEL& kernel) {
    if (version == kStorageVersionCurrent)
        return read_value(stream, kernel.fields) && read_counted_map(stream, kernel.values);
    OldLayout layout{};
    return old_layout(version, layout) &&
           read_prefix(stream, layout.kernel, &kernel.fields, sizeof kernel.fields);
}

bool write_kernel_parameters(CStm& stream, const VYR_PROCESSING_PARAMETERS_KERNEL& kernel) {
    return write_value(stream, kernel.fields) && write_counted_map(stream, kernel.values);
}

bool read_orbit_parameters(CStm& stream, uint32_t version, VYR_PROCESSING_PARAMETERS_ORBIT& orbit) {
    if (version == kStorageVersionCurrent)
        return stream.Read(&orbit.fields, kStoredOrbitFields) &&
               read_counted_set(stream, orbit.satellites);
    OldLayout layout{};
    return old_layout(version, layout) &&
           read_prefix(stream, layout.orbit, &orbit.fields, kStoredOrbitFields);
}

bool write_orbit_parameters(CStm& stream, const VYR_PROCESSING_PARAMETERS_ORBIT& orbit) {
    return stream.Write(&orbit.fields, kStoredOrbitFields) &&
           write_counted_set(stream, orbit.satellites);
}

bool read_processing_parameters(CStm& stream, uint32_t version,
                                VYR_PROCESSING_PARAMETERS& parameters) {
    if (version == kStorageVersionCurrent)
        return read_value(stream, parameters.outer) &&
               read_kernel_parameters(stream, version, parameters.kernel) &&
               read_orbit_parameters(stream, version, parameters.orbit);
    OldLayout layout{};
    return old_layout(version, layout) && read_outer_range(stream, parameters.outer, 0, 11) &&
           read_kernel_parameters(stream, version, parameters.kernel) &&
           read_outer_range(stream, parameters.outer, 12, 55) &&
           read_orbit_parameters(stream, version, parameters.orbit) &&
           read_outer_range(stream, parameters.outer, 56, 80);
}

bool write_processing_parameters(CStm& stream, const VYR_PROCESSING_PARAMETERS& parameters) {
    return write_value(stream, parameters.outer) &&
           write_kernel_parameters(stream, parameters.kernel) &&
           write_orbit_parameters(stream, parameters.orbit);
}

}  // namespace vyr_records
