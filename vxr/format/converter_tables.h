#pragma once

#include <cstdint>

#include "vxr/format/area_request.h"

namespace vxr {

class Converter;

// The process-wide converters that copies are taken from: one table per
// source (same format, ARGB8888, RGB565, indexed) indexed by destination id,
// and four templates for indexed sources into custom destinations. Built on
// the first acquire and freed on the last release; a static holder keeps one
// reference for the whole run, so they exist before main.
class ConverterTables {
public:
    // False when the tables could not be allocated; nothing is then
    // registered, and a later acquire tries again.
    static bool acquire();
    static void release();
    static std::int32_t references();

    static bool registerRoutine(std::int32_t sourceId, std::int32_t destinationId, RowRoutine row,
                                AreaRoutine area);

    // Null when the pair has no table, or the tables are not built.
    static const Converter* entry(std::int32_t sourceId, std::int32_t destinationId);
    static const Converter* indexedTemplate(std::int32_t destinationBytes);

    // Holds the tables for as long as it lives.
    class Scope {
    public:
        Scope() { acquire(); }
        ~Scope() { release(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };
};

inline bool acquireConverterTables() { return ConverterTables::acquire(); }
inline void releaseConverterTables() { ConverterTables::release(); }

}  // namespace vxr
