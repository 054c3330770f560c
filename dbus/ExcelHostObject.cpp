#include "ExcelHostObject.h"

#include "excel_adaptor.h"

namespace dbusif {

ExcelHostObject::ExcelHostObject(QObject* parent) : QObject(parent) {
    new ExcelAdaptor(this);
}

} // namespace dbusif
