#include "ol/HelpViewer.h"

namespace ol {

QUrl helpTopicUrl(const QString& helpFile, int contextId) {
    QUrl url = QUrl::fromLocalFile(helpFile);
    if (contextId != 0)
        url.setFragment(QStringLiteral("context-%1").arg(contextId));
    return url;
}

} // namespace ol
