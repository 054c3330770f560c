#pragma once

#include "TaggedValue.h"

namespace engine {

// An ordered collection of tagged values, indexed from 1 as the add-in's
// collections are. The manager's collection properties (names of cells,
// groups and constraints, date flags, constraining values) are of this type.
class TaggedCollection {
public:
    TaggedCollection() = default;
    explicit TaggedCollection(const TaggedArray& items) : m_items(items) {}

    int count() const { return static_cast<int>(m_items.size()); }
    bool isEmpty() const { return m_items.isEmpty(); }

    // Item `index` (1-based). An index outside 1..count() gives an empty
    // value; callers that must tell the difference check count() first.
    TaggedValue item(int index) const;
    void add(const TaggedValue& value) { m_items.append(value); }
    // Removes item `index` (1-based); returns false when there is none.
    bool remove(int index);
    void clear() { m_items.clear(); }

    // The items in order, item 1 first (for the D-Bus "av" form).
    const TaggedArray& items() const { return m_items; }

    bool operator==(const TaggedCollection& other) const { return m_items == other.m_items; }

private:
    TaggedArray m_items;
};

} // namespace engine
