// Genetic operators of one chromosome, per solving method. They work on
// private copies of the genes; GaEngine copies the result into shared memory.
//
//   recipe (1): uniform crossover; mutation draws a new value in the gene's
//               range, on its step.
//   budget (5): blend crossover of the two parents; mutation moves an amount
//               between two genes inside their ranges. The chromosome's total
//               stays the original organism's total; the genes are treated as
//               continuous, since rounding to a step would break the total.
//   order  (2): order crossover (OX); swap mutation. Children stay
//               permutations of the parents' values.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ga_random.h"
#include "population_layout.h"

namespace qx {

class GaOperators {
public:
    explicit GaOperators(GaRandom& random) : m_random(random) {}

    // child = crossover(a, b); all spans have the same size.
    void crossover(int32_t method, std::span<const double> a, std::span<const double> b, std::span<double> child,
                   std::span<const GeneRange> ranges, double total);
    void mutate(int32_t method, std::span<double> genes, std::span<const GeneRange> ranges, double rate, double total);
    // A random member of the search space around `original`.
    void randomize(int32_t method, std::span<const double> original, std::span<double> out,
                   std::span<const GeneRange> ranges, double total);

    // A random value in the range, on its step when the step is > 0.
    double randomInRange(const GeneRange& r);
    // Brings the sum of `genes` back to `total`, moving genes that have room
    // in their ranges; the total wins if the ranges cannot hold it.
    static void repairSum(std::span<double> genes, std::span<const GeneRange> ranges, double total);

private:
    void orderCrossover(std::span<const double> a, std::span<const double> b, std::span<double> child);
    void budgetMove(std::span<double> genes, std::span<const GeneRange> ranges, size_t i, size_t j);
    size_t otherIndex(size_t i, size_t count);

    GaRandom& m_random;
    std::vector<double> m_need;
    std::vector<char> m_used;
    std::vector<char> m_filled;
};

} // namespace qx
