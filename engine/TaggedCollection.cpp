#include "TaggedCollection.h"

namespace engine {

TaggedValue TaggedCollection::item(int index) const {
    if (index < 1 || index > count())
        return {};
    return m_items.at(index - 1);
}

bool TaggedCollection::remove(int index) {
    if (index < 1 || index > count())
        return false;
    m_items.removeAt(index - 1);
    return true;
}

} // namespace engine
