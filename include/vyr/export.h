// Marks the names libvyr.so exports; everything else stays hidden.
#pragma once

#if defined(__GNUC__)
#define VYR_API __attribute__((visibility("default")))
#else
#define VYR_API
#endif
