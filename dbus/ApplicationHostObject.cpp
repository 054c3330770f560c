#include "ApplicationHostObject.h"

#include "application_adaptor.h"

namespace dbusif {

ApplicationHostObject::ApplicationHostObject(QObject* parent) : QObject(parent) {
    new ApplicationAdaptor(this);
}

} // namespace dbusif
