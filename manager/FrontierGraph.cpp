#include "FrontierGraph.h"

namespace manager {

namespace {
// Touched only on the UI thread, like every window.
FrontierGraph* g_published = nullptr;
} // namespace

FrontierGraph* publishedFrontierGraph() {
    return g_published;
}

void publishFrontierGraph(FrontierGraph* graph) {
    g_published = graph;
}

} // namespace manager
