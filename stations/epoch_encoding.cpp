// The stored form of observation epochs. Every read and write checks its room first, so a short
// buffer or a lying length field gives an error, never an access outside the buffer; a time,
// system or signal type no writer stores is damage, never decoded into an epoch.
#include <cassert>
#include <cstring>

#include <vyr/observation_epoch.h>

#include "stations/plausible_values.h"

namespace {

constexpr uint8_t kFormatVersion = 1;
constexpr uint8_t kFormatSubVersion = 0;
// Enough of the header for the length, the versions and the time.
constexpr uint32_t kTimePrefixSize = 18;

class ByteWriter {
public:
    ByteWriter(uint8_t* buffer, uint32_t capacity) : m_buffer(buffer), m_capacity(capacity) {}

    bool fits(uint64_t bytes) const { return m_used + bytes <= m_capacity; }

    // Little-endian hosts only (asserted by the record framework): the low bytes come first.
    // The caller has checked fits() first.
    template <class T>
    void put(T value, uint32_t bytes = sizeof(T)) {
        assert(fits(bytes));
        std::memcpy(m_buffer + m_used, &value, bytes);
        m_used += bytes;
    }

    void put_at(uint32_t offset, uint32_t value) {
        assert(uint64_t{offset} + 4 <= m_used);
        std::memcpy(m_buffer + offset, &value, 4);
    }
    uint32_t used() const { return m_used; }

private:
    uint8_t* m_buffer;
    uint32_t m_capacity;
    uint32_t m_used = 0;
};

class ByteReader {
public:
    ByteReader(const uint8_t* buffer, uint32_t size) : m_buffer(buffer), m_size(size) {}

    bool fits(uint64_t bytes) const { return m_used + bytes <= m_size; }

    // Reads the low bytes of T; the others stay 0. The caller has checked fits() first.
    template <class T>
    T get(uint32_t bytes = sizeof(T)) {
        assert(fits(bytes));
        T value{};
        std::memcpy(&value, m_buffer + m_used, bytes);
        m_used += bytes;
        return value;
    }

    uint32_t used() const { return m_used; }

private:
    const uint8_t* m_buffer;
    uint32_t m_size;
    uint32_t m_used = 0;
};

void put_signal(ByteWriter& out, const VYR_OBSERVATIONEPOCH_SIGNAL& s) {
    out.put(s.flags);
    out.put(static_cast<uint8_t>(s.obsType));
    out.put(s.phase);
    out.put(s.code);
    out.put(s.doppler);
    out.put(s.auxValue);
    out.put(s.quality);
    out.put(s.spare1);
    out.put(s.spare2);
    out.put(s.spare3);
    out.put(s.spare4);
}

VYR_OBSERVATIONEPOCH_SIGNAL get_signal(ByteReader& in) {
    VYR_OBSERVATIONEPOCH_SIGNAL s;
    s.flags = in.get<uint16_t>();
    s.obsType = static_cast<VYR_OBSTYPE>(in.get<uint8_t>());
    s.phase = in.get<double>();
    s.code = in.get<double>();
    s.doppler = in.get<double>();
    s.auxValue = in.get<uint16_t>();
    s.quality = in.get<uint16_t>();
    s.spare1 = in.get<uint16_t>();
    s.spare2 = in.get<uint16_t>();
    s.spare3 = in.get<uint8_t>();
    s.spare4 = in.get<uint8_t>();
    return s;
}

// What the decoder would refuse as damage is never encoded: a wrapped count, a time no epoch
// can have, a system or signal type the decoder does not know.
bool decodable(const VYR_OBSERVATIONEPOCH& epoch) {
    if (!vyr_stations::is_plausible_time(epoch.mjd, epoch.fraction)) return false;
    if (!vyr_stations::has_known_signals(epoch)) return false;
    if (epoch.satellites.size() > vyr::kMaxEncodedCount) return false;
    for (const VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
        if (sv.observations.size() > vyr::kMaxEncodedCount) return false;
    }
    return true;
}

// Nothing of a damaged epoch is handed out.
VYR_ERROR damaged(VYR_OBSERVATIONEPOCH& epoch) {
    epoch.Reset();
    return VYR_E_READ_ENTRY_FAILED;
}

bool version_known(uint8_t version, uint8_t subVersion) {
    // Version 0 predates sub-versions, so any sub-version byte is accepted with it.
    return version == 0 || (version == kFormatVersion && subVersion <= kFormatSubVersion);
}

}  // namespace

VYR_ERROR Vyr_SerializeObsEpoch(const VYR_OBSERVATIONEPOCH& epoch, uint8_t* buffer,
                                const uint32_t& capacity, uint32_t& written) {
    written = 0;
    if (buffer == nullptr) return VYR_E_INVALID_PARAMETER;
    if (capacity < vyr::kEncodedEpochHeaderSize) return VYR_E_BUFFER_TOO_SHORT;
    if (!decodable(epoch)) return VYR_E_INVALID_PARAMETER;

    ByteWriter out(buffer, capacity);
    out.put(uint32_t{0});
    out.put(kFormatVersion);
    out.put(kFormatSubVersion);
    out.put(epoch.mjd);
    out.put(epoch.fraction);
    out.put(epoch.headerWord);
    out.put(epoch.headerReal);
    out.put(static_cast<uint8_t>(epoch.status));
    out.put(static_cast<uint8_t>(epoch.occupation));
    out.put(static_cast<uint8_t>(epoch.sourceTag));
    out.put(static_cast<uint8_t>(epoch.satellites.size()));

    for (const VYR_OBSERVATIONEPOCH_SV& sv : epoch.satellites) {
        const uint32_t dataSize = vyr::encoded_system_data_size(sv.satId.system);
        const uint64_t signalBytes = uint64_t{vyr::kEncodedSignalSize} * sv.observations.size();
        if (!out.fits(2)) return VYR_E_BUFFER_TOO_SHORT;
        out.put(static_cast<uint8_t>(sv.satId.system));
        out.put(sv.satId.prn);
        if (!out.fits(dataSize + 1)) return VYR_E_BUFFER_TOO_SHORT;
        out.put(sv.systemData, dataSize);
        out.put(static_cast<uint8_t>(sv.observations.size()));
        if (!out.fits(signalBytes)) return VYR_E_BUFFER_TOO_SHORT;
        for (const VYR_OBSERVATIONEPOCH_SIGNAL& signal : sv.observations) put_signal(out, signal);
    }

    out.put_at(0, out.used());
    written = out.used();
    return VYR_OK;
}

VYR_ERROR Vyr_DeserializeObsEpoch(const uint8_t* buffer, const uint32_t& size,
                                  VYR_OBSERVATIONEPOCH& epoch, uint32_t& consumed) {
    epoch.Reset();
    consumed = 0;
    if (buffer == nullptr) return VYR_E_INVALID_PARAMETER;
    ByteReader in(buffer, size);
    if (!in.fits(4)) return VYR_E_BUFFER_TOO_SHORT;
    const uint32_t length = in.get<uint32_t>();
    if (size < length || length < vyr::kEncodedEpochHeaderSize) return VYR_E_BUFFER_TOO_SHORT;
    const uint8_t version = in.get<uint8_t>();
    const uint8_t subVersion = in.get<uint8_t>();
    if (!version_known(version, subVersion)) return VYR_E_WRONG_KERNEL_VERSION;

    epoch.mjd = in.get<uint32_t>();
    epoch.fraction = in.get<double>();
    if (!vyr_stations::is_plausible_time(epoch.mjd, epoch.fraction)) return damaged(epoch);
    epoch.headerWord = in.get<uint16_t>();
    epoch.headerReal = in.get<double>();
    epoch.status = in.get<uint8_t>();
    epoch.occupation = static_cast<VYR_OBSERVATIONEPOCH::eOccupationType>(in.get<uint8_t>());
    epoch.sourceTag = in.get<uint8_t>();
    const uint8_t satelliteCount = in.get<uint8_t>();
    if (satelliteCount == 0) {
        consumed = vyr::kEncodedEpochHeaderSize;
        return length == vyr::kEncodedEpochHeaderSize ? VYR_OK : VYR_E_READ_ENTRY_FAILED;
    }

    epoch.satellites.reserve(satelliteCount);
    for (uint32_t i = 0; i < satelliteCount; ++i) {
        VYR_OBSERVATIONEPOCH_SV sv;
        if (!in.fits(2)) return VYR_E_BUFFER_TOO_SHORT;
        sv.satId.system = static_cast<VYR_SATELLITE_SYSTEM>(in.get<uint8_t>());
        sv.satId.prn = in.get<uint8_t>();
        if (!vyr_stations::is_known_system(sv.satId.system)) return damaged(epoch);
        const uint32_t dataSize = vyr::encoded_system_data_size(sv.satId.system);
        if (!in.fits(dataSize + 1)) return VYR_E_BUFFER_TOO_SHORT;
        sv.systemData = in.get<uint32_t>(dataSize);
        const uint8_t signalCount = in.get<uint8_t>();
        if (!in.fits(uint64_t{vyr::kEncodedSignalSize} * signalCount))
            return VYR_E_BUFFER_TOO_SHORT;
        if (signalCount == 0) continue;
        sv.observations.reserve(signalCount);
        for (uint32_t j = 0; j < signalCount; ++j) {
            sv.observations.push_back(get_signal(in));
            if (!vyr_stations::is_known_obs_type(sv.observations.back().obsType))
                return damaged(epoch);
        }
        epoch.satellites.push_back(std::move(sv));
    }
    consumed = in.used();
    return consumed == length ? VYR_OK : VYR_E_READ_ENTRY_FAILED;
}

VYR_ERROR Vyr_DeserializeObsEpoch(const uint8_t* buffer, const uint32_t& size, uint32_t& mjd,
                                  double& fraction, uint32_t& length) {
    if (buffer == nullptr) return VYR_E_INVALID_PARAMETER;
    ByteReader in(buffer, size);
    if (!in.fits(4)) return VYR_E_BUFFER_TOO_SHORT;
    length = in.get<uint32_t>();
    if (!in.fits(kTimePrefixSize - 4)) return VYR_E_BUFFER_TOO_SHORT;
    const uint8_t version = in.get<uint8_t>();
    const uint8_t subVersion = in.get<uint8_t>();
    if (!version_known(version, subVersion)) return VYR_E_WRONG_KERNEL_VERSION;
    const uint32_t day = in.get<uint32_t>();
    const double dayFraction = in.get<double>();
    if (!vyr_stations::is_plausible_time(day, dayFraction)) return VYR_E_READ_ENTRY_FAILED;
    mjd = day;
    fraction = dayFraction;
    return VYR_OK;
}
