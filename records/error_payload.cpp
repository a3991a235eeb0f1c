#include <cstring>

#include <vyr/processing_errors.h>

uint16_t CErrorPayload::LengthOf(uint32_t type) {
    switch (type) {
        case kSatellite:
            return 1;
        case kKey:
            return 21;
        case kInterval:
            return 16;
        case kValue:
            return 4;
        case kTime:
            return 8;
        case kSatelliteInterval:
            return 17;
        default:
            return 0;
    }
}

void CErrorPayload::Set(uint32_t type, const void* bytes) {
    m_type = type;
    m_bytes.assign(LengthOf(type), 0);
    // A caller that passes no argument gets zero bytes rather than whatever memory held.
    if (bytes != nullptr && !m_bytes.empty()) std::memcpy(m_bytes.data(), bytes, m_bytes.size());
}

void CErrorPayload::SetTypeOnly(uint32_t type) {
    m_type = type;
    m_bytes.clear();
}

uint32_t CErrorPayload::KeyValue() const {
    if (m_type == kSatellite && m_bytes.size() == 1) return m_bytes[0];
    if (m_type == kValue && m_bytes.size() == 4) {
        uint32_t value = 0;
        std::memcpy(&value, m_bytes.data(), sizeof value);
        return value;
    }
    return 0;
}
