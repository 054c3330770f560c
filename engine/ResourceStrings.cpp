#include "ResourceStrings.h"

#include "ProcessState.h"
#include "ol/OLError.h"
#include "ol/ResourceServer.h"

namespace engine {

QString GetResourceStringWithArguments(int id, std::span<const QString> args) {
    const auto server = ProcessState::resourceServer();
    if (!server)
        ol::raiseError(ol::kErrGeneral, QStringLiteral("GetResourceString"),
                       QStringLiteral("Missing resource server."));
    return server->textWithArguments(id, args);
}

QString GetCommonString(int whichString) {
    if (whichString < 0 || whichString >= static_cast<int>(kCommonStringResources.size()))
        ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("GetCommonString"), QStringLiteral("whichString"));
    return GetResourceString(kCommonStringResources[static_cast<size_t>(whichString)]);
}

} // namespace engine
