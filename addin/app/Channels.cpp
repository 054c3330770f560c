#include "Channels.h"

#include "qxlib8.h"

namespace addin::channels {

// A failed read leaves the value at 0 (false), which every caller takes as
// "nothing there yet".
bool readBool(Channel c) {
    int16_t v = 0;
    QxReadTempData(c, &v, sizeof v);
    return v != 0;
}

int32_t readLong(Channel c) {
    int32_t v = 0;
    QxReadTempData(c, &v, sizeof v);
    return v;
}

double readDouble(Channel c) {
    double v = 0;
    QxReadTempData(c, &v, sizeof v);
    return v;
}

void writeBool(Channel c, bool v) {
    const int16_t b = v ? QX_TRUE : QX_FALSE;
    QxWriteTempData(c, &b, sizeof b);
}

void writeLong(Channel c, int32_t v) {
    QxWriteTempData(c, &v, sizeof v);
}

void writeDouble(Channel c, double v) {
    QxWriteTempData(c, &v, sizeof v);
}

} // namespace addin::channels
