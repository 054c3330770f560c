#include "ga_operators.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "qxlib8.h"

namespace qx {

double GaOperators::randomInRange(const GeneRange& r) {
    if (!(r.max > r.min))
        return r.min;
    if (r.step > 0) {
        // Grid points min, min+step, ... up to max; the small factor keeps
        // a max that is a whole number of steps away from being lost to rounding.
        const double spans = std::floor((r.max - r.min) / r.step * (1 + 1e-12));
        const double count = std::min(spans, 9007199254740992.0) + 1;
        const double v = r.min + static_cast<double>(m_random.below(static_cast<uint64_t>(count))) * r.step;
        return std::min(v, r.max);
    }
    return m_random.uniform(r.min, r.max);
}

size_t GaOperators::otherIndex(size_t i, size_t count) {
    size_t j = static_cast<size_t>(m_random.below(count - 1));
    return j >= i ? j + 1 : j;
}

void GaOperators::crossover(int32_t method, std::span<const double> a, std::span<const double> b,
                            std::span<double> child, std::span<const GeneRange> ranges, double total) {
    const size_t k = child.size();
    switch (method) {
    case QX_METHOD_BUDGET: {
        const double alpha = m_random.uniform();
        for (size_t i = 0; i < k; ++i)
            child[i] =
                std::clamp(alpha * a[i] + (1 - alpha) * b[i], ranges[i].min, std::max(ranges[i].min, ranges[i].max));
        repairSum(child, ranges, total);
        break;
    }
    case QX_METHOD_ORDER:
        orderCrossover(a, b, child);
        break;
    default:
        for (size_t i = 0; i < k; ++i)
            child[i] = (m_random.next() >> 63) ? a[i] : b[i];
        break;
    }
}

void GaOperators::orderCrossover(std::span<const double> a, std::span<const double> b, std::span<double> child) {
    const size_t k = child.size();
    if (k < 2) {
        std::copy(a.begin(), a.end(), child.begin());
        return;
    }
    size_t lo = static_cast<size_t>(m_random.below(k));
    size_t hi = static_cast<size_t>(m_random.below(k));
    if (lo > hi)
        std::swap(lo, hi);
    m_filled.assign(k, 0);
    m_need.clear();
    for (size_t i = 0; i < k; ++i) {
        if (i >= lo && i <= hi) {
            child[i] = a[i];
            m_filled[i] = 1;
        } else {
            m_need.push_back(a[i]);
        }
    }
    // The values still needed are a multiset (a group may repeat a value);
    // each occurrence is used once.
    std::sort(m_need.begin(), m_need.end());
    m_used.assign(m_need.size(), 0);
    size_t pos = (hi + 1) % k;
    auto nextFree = [&] {
        while (m_filled[pos])
            pos = (pos + 1) % k;
    };
    size_t placed = 0;
    for (size_t step = 0; step < k && placed < m_need.size(); ++step) {
        const double v = b[(hi + 1 + step) % k];
        auto it = std::lower_bound(m_need.begin(), m_need.end(), v);
        size_t idx = static_cast<size_t>(it - m_need.begin());
        while (idx < m_need.size() && m_need[idx] == v && m_used[idx])
            ++idx;
        if (idx >= m_need.size() || m_need[idx] != v)
            continue;
        m_used[idx] = 1;
        nextFree();
        child[pos] = v;
        m_filled[pos] = 1;
        ++placed;
    }
    // Parents that are not permutations of each other leave gaps; fill them
    // with a's leftover values so the child is still a permutation of a.
    for (size_t idx = 0; idx < m_need.size() && placed < m_need.size(); ++idx) {
        if (m_used[idx])
            continue;
        nextFree();
        child[pos] = m_need[idx];
        m_filled[pos] = 1;
        ++placed;
    }
}

void GaOperators::budgetMove(std::span<double> genes, std::span<const GeneRange> ranges, size_t i, size_t j) {
    // Move d from gene j to gene i: both stay inside their ranges.
    const double up = std::max(0.0, std::min(ranges[i].max - genes[i], genes[j] - ranges[j].min));
    const double down = std::max(0.0, std::min(genes[i] - ranges[i].min, ranges[j].max - genes[j]));
    if (!(up + down > 0))
        return;
    const double d = m_random.uniform(-down, up);
    genes[i] += d;
    genes[j] -= d;
}

void GaOperators::mutate(int32_t method, std::span<double> genes, std::span<const GeneRange> ranges, double rate,
                         double total) {
    if (!(rate > 0))
        return;
    const size_t k = genes.size();
    switch (method) {
    case QX_METHOD_BUDGET: {
        if (k < 2)
            return;
        bool moved = false;
        for (size_t i = 0; i < k; ++i) {
            if (m_random.chance(rate)) {
                budgetMove(genes, ranges, i, otherIndex(i, k));
                moved = true;
            }
        }
        if (moved)
            repairSum(genes, ranges, total);
        break;
    }
    case QX_METHOD_ORDER:
        if (k < 2)
            return;
        for (size_t i = 0; i < k; ++i)
            if (m_random.chance(rate))
                std::swap(genes[i], genes[otherIndex(i, k)]);
        break;
    default:
        for (size_t i = 0; i < k; ++i)
            if (m_random.chance(rate))
                genes[i] = randomInRange(ranges[i]);
        break;
    }
}

void GaOperators::randomize(int32_t method, std::span<const double> original, std::span<double> out,
                            std::span<const GeneRange> ranges, double total) {
    const size_t k = out.size();
    switch (method) {
    case QX_METHOD_BUDGET:
        std::copy(original.begin(), original.end(), out.begin());
        if (k < 2)
            return;
        // Enough random pair moves to wander well away from the original.
        for (size_t n = 0; n < 4 * k; ++n) {
            const size_t i = static_cast<size_t>(m_random.below(k));
            budgetMove(out, ranges, i, otherIndex(i, k));
        }
        repairSum(out, ranges, total);
        break;
    case QX_METHOD_ORDER:
        std::copy(original.begin(), original.end(), out.begin());
        for (size_t i = k; i > 1; --i)
            std::swap(out[i - 1], out[static_cast<size_t>(m_random.below(i))]);
        break;
    default:
        for (size_t i = 0; i < k; ++i)
            out[i] = randomInRange(ranges[i]);
        break;
    }
}

void GaOperators::repairSum(std::span<double> genes, std::span<const GeneRange> ranges, double total) {
    if (genes.empty() || !std::isfinite(total))
        return;
    // Two passes: the first moves the residue into genes with room, the
    // second takes up what rounding of the first left behind.
    for (int pass = 0; pass < 2; ++pass) {
        double sum = 0;
        for (double v : genes)
            sum += v;
        double r = total - sum;
        if (r == 0)
            return;
        for (size_t i = 0; i < genes.size() && r != 0; ++i) {
            const double room = r > 0 ? ranges[i].max - genes[i] : genes[i] - ranges[i].min;
            if (!(room > 0))
                continue;
            const double d = std::min(room, std::fabs(r));
            genes[i] += r > 0 ? d : -d;
            r += r > 0 ? -d : d;
        }
        if (r != 0)
            genes[0] += r; // ranges too narrow for the total: keep the total
    }
}

} // namespace qx
