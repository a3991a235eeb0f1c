#include "records/error_payload_format.h"

#include <cassert>

#include "records/counted_encoding.h"

namespace vyr_records {

bool read_error_payload(CStm& stream, uint32_t type, CErrorPayload& payload) {
    uint16_t length = 0;
    if (!read_value(stream, length)) return false;
    if (CErrorPayload::LengthOf(type) != length) {
        payload.SetTypeOnly(type);
        return length == 0 || stream.Seek(static_cast<int64_t>(length), STREAM_SEEK_CUR);
    }
    uint8_t bytes[32] = {};
    assert(length <= sizeof bytes);  // every type's length is known and small
    if (length > 0 && !stream.Read(bytes, length)) return false;
    payload.Set(type, bytes);
    return true;
}

bool write_error_payload(CStm& stream, const CErrorPayload& payload) {
    if (!write_value(stream, payload.Length())) return false;
    return payload.Length() == 0 || stream.Write(payload.Data(), payload.Length());
}

}  // namespace vyr_records
