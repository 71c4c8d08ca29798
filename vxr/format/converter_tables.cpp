#include "vxr/format/converter_tables.h"

#include <new>

#include "vxr/format/conversion_routines.h"
#include "vxr/format/converter.h"

namespace vxr {
namespace {

enum TableIndex { SAME_FORMAT, FROM_ARGB8888, FROM_RGB565, FROM_INDEXED, TABLE_COUNT };
constexpr std::int32_t TEMPLATE_COUNT = 4;  // 4, 3, 2 and 1 destination bytes

struct Tables {
    Converter* rows[TABLE_COUNT] = {};
    Converter* templates = nullptr;
    std::int32_t references = 0;
};

Tables& tables()
{
    static Tables instance;
    return instance;
}

void freeTables(Tables& t)
{
    for (Converter*& table : t.rows) {
        delete[] table;
        table = nullptr;
    }
    delete[] t.templates;
    t.templates = nullptr;
}

int tableForSource(std::int32_t sourceId)
{
    switch (sourceId) {
    case ARGB8888: return FROM_ARGB8888;
    case RGB565: return FROM_RGB565;
    case INDEX8: return FROM_INDEXED;
    default: return -1;
    }
}

bool isTableId(std::int32_t id) { return id >= FIRST_FORMAT_ID && id <= LAST_FORMAT_ID; }

struct Registration {
    std::int32_t source;
    std::int32_t destination;
    RowRoutine row;
    AreaRoutine area;
};

#define VXR_ROUTINE(source, destination, name) {source, destination, name##Row, name##Block}
constexpr Registration registrations[] = {
    VXR_ROUTINE(ARGB8888, ARGB8888, copy),
    VXR_ROUTINE(ARGB8888, ABGR8888, argb8888ToABGR8888),
    VXR_ROUTINE(ARGB8888, BGRA8888, argb8888ToBGRA8888),
    VXR_ROUTINE(ARGB8888, RGBA8888, argb8888ToRGBA8888),
    VXR_ROUTINE(ARGB8888, RGB888, argb8888ToRGB888),
    VXR_ROUTINE(ARGB8888, BGR888, argb8888ToBGR888),
    VXR_ROUTINE(ARGB8888, RGB565, argb8888ToRGB565),
    VXR_ROUTINE(ARGB8888, BGR565, argb8888ToBGR565),
    VXR_ROUTINE(ARGB8888, ARGB1555, argb8888ToARGB1555),
    VXR_ROUTINE(ARGB8888, ABGR1555, argb8888ToABGR1555),
    VXR_ROUTINE(ARGB8888, GREY8, argb8888ToGREY8),
    VXR_ROUTINE(ARGB8888, RGB332, argb8888ToRGB332),
    VXR_ROUTINE(RGB565, RGB565, copy),
    VXR_ROUTINE(RGB565, ARGB8888, rgb565ToARGB8888),
    VXR_ROUTINE(RGB565, ABGR8888, rgb565ToABGR8888),
    VXR_ROUTINE(RGB565, BGRA8888, rgb565ToBGRA8888),
    VXR_ROUTINE(RGB565, RGBA8888, rgb565ToRGBA8888),
    VXR_ROUTINE(RGB565, RGB888, rgb565ToRGB888),
    VXR_ROUTINE(RGB565, BGR888, rgb565ToBGR888),
    VXR_ROUTINE(RGB565, BGR565, rgb565ToBGR565),
    VXR_ROUTINE(RGB565, ARGB1555, rgb565ToARGB1555),
    VXR_ROUTINE(RGB565, ABGR1555, rgb565ToABGR1555),
    VXR_ROUTINE(RGB565, GREY8, rgb565ToGREY8),
    VXR_ROUTINE(RGB565, RGB332, rgb565ToRGB332),
    VXR_ROUTINE(INDEX8, ARGB8888, indexedTo32),
    VXR_ROUTINE(INDEX8, ABGR8888, indexedTo32),
    VXR_ROUTINE(INDEX8, BGRA8888, indexedTo32),
    VXR_ROUTINE(INDEX8, RGBA8888, indexedTo32),
    VXR_ROUTINE(INDEX8, RGB888, indexedTo24),
    VXR_ROUTINE(INDEX8, BGR888, indexedTo24),
    VXR_ROUTINE(INDEX8, RGB565, indexedTo16),
    VXR_ROUTINE(INDEX8, BGR565, indexedTo16),
    VXR_ROUTINE(INDEX8, ARGB1555, indexedTo16),
    VXR_ROUTINE(INDEX8, ABGR1555, indexedTo16),
    VXR_ROUTINE(INDEX8, GREY8, indexedTo8),
    VXR_ROUTINE(INDEX8, RGB332, indexedTo8),
    VXR_ROUTINE(INDEX8, INDEX8, copy),
};
#undef VXR_ROUTINE

constexpr std::int32_t tableSources[TABLE_COUNT] = {0, ARGB8888, RGB565, INDEX8};

void fillFormats(Tables& t)
{
    for (int table = 0; table < TABLE_COUNT; ++table) {
        for (std::int32_t index = 0; index < FORMAT_TABLE_SIZE; ++index) {
            const std::int32_t destinationId = FIRST_FORMAT_ID + index;
            const std::int32_t sourceId = table == SAME_FORMAT ? destinationId : tableSources[table];
            t.rows[table][index].setFormats(PixelFormat(sourceId), PixelFormat(destinationId));
        }
    }
    for (Converter* entry = t.rows[SAME_FORMAT]; entry != t.rows[SAME_FORMAT] + FORMAT_TABLE_SIZE;
         ++entry)
        entry->setRoutines(copyRow, copyBlock);
}

void fillTemplates(Tables& t)
{
    const RowRoutine rows[TEMPLATE_COUNT] = {indexedTo32Row, indexedTo24Row, indexedTo16Row,
                                             indexedTo8Row};
    const AreaRoutine areas[TEMPLATE_COUNT] = {indexedTo32Block, indexedTo24Block,
                                               indexedTo16Block, indexedTo8Block};
    for (std::int32_t i = 0; i < TEMPLATE_COUNT; ++i) {
        PixelFormat destination;
        destination.bytes = TEMPLATE_COUNT - i;
        destination.bits = destination.bytes * 8;
        t.templates[i].setFormats(PixelFormat(INDEX8), destination);
        t.templates[i].setRoutines(rows[i], areas[i]);
    }
}

bool build(Tables& t)
{
    for (Converter*& table : t.rows) table = new (std::nothrow) Converter[FORMAT_TABLE_SIZE];
    t.templates = new (std::nothrow) Converter[TEMPLATE_COUNT];
    for (Converter* table : t.rows) {
        if (!table || !t.templates) {
            freeTables(t);
            return false;
        }
    }
    fillFormats(t);
    for (const Registration& r : registrations)
        ConverterTables::registerRoutine(r.source, r.destination, r.row, r.area);
    buildExpansionTables();
    fillTemplates(t);
    return true;
}

// The run-long reference, taken before main and never given back: the tables
// must outlive every thread, even one that is converting while another ends
// the process.
[[maybe_unused]] const bool tablesHeld = ConverterTables::acquire();

}  // namespace

bool ConverterTables::acquire()
{
    Tables& t = tables();
    if (t.references == 0 && !build(t)) return false;
    ++t.references;
    return true;
}

void ConverterTables::release()
{
    Tables& t = tables();
    if (t.references <= 0) return;
    if (--t.references == 0) freeTables(t);
}

std::int32_t ConverterTables::references() { return tables().references; }

bool ConverterTables::registerRoutine(std::int32_t sourceId, std::int32_t destinationId,
                                      RowRoutine row, AreaRoutine area)
{
    const int table = tableForSource(sourceId);
    Tables& t = tables();
    if (table < 0 || !isTableId(destinationId) || !t.rows[table]) return false;
    t.rows[table][destinationId - FIRST_FORMAT_ID].setRoutines(row, area);
    return true;
}

const Converter* ConverterTables::entry(std::int32_t sourceId, std::int32_t destinationId)
{
    if (!isTableId(destinationId)) return nullptr;
    int table = sourceId == destinationId ? SAME_FORMAT : tableForSource(sourceId);
    if (sourceId == GREY8 && sourceId != destinationId) table = FROM_INDEXED;
    if (table < 0) return nullptr;
    const Converter* row = tables().rows[table];
    return row ? &row[destinationId - FIRST_FORMAT_ID] : nullptr;
}

const Converter* ConverterTables::indexedTemplate(std::int32_t destinationBytes)
{
    const Converter* templates = tables().templates;
    if (!templates || destinationBytes < 1 || destinationBytes > TEMPLATE_COUNT) return nullptr;
    return &templates[TEMPLATE_COUNT - destinationBytes];
}

}  // namespace vxr
