// Fields of packed records may lie at any address. GoogleTest's comparisons take references, and
// a reference bound to a misaligned field is undefined behaviour: tests compare such fields as
// copies, value_of(record.field).
#pragma once

template <class T>
T value_of(T value) {
    return value;
}
