#include "core/geometry/adjustsolve.h"

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvane {

namespace {

using SparseMatrix = Eigen::SparseMatrix<double>;
using Factor = Eigen::SimplicialLDLT<SparseMatrix, Eigen::Lower>;

// A pivot this small beside its diagonal entry of N means the unknown is fixed by nothing
// but rounding.
constexpr double kSingularPivot = 1e-12;

} // namespace

struct NormalEquations::Impl {
    int unknowns = 0;
    std::vector<Eigen::Triplet<double>> entries; // the lower triangle of N, summed on building
    Eigen::VectorXd rightSide;
    SparseMatrix normal;
    Factor factor;
    bool analysed = false;
    bool factored = false;
    // The selected inverse in the factor's ordering: its diagonal, and one entry for every
    // entry of L (same positions).
    std::vector<double> inverseDiagonal;
    std::vector<double> inverseLower;
};

NormalEquations::NormalEquations(int unknowns) : impl_(std::make_unique<Impl>()) {
    impl_->unknowns = unknowns;
    impl_->rightSide = Eigen::VectorXd::Zero(unknowns);
    impl_->normal.resize(unknowns, unknowns);
}

NormalEquations::~NormalEquations() = default;

void NormalEquations::AddRow(const std::array<int, 4>& index,
                             const std::array<double, 4>& coefficient, double weight,
                             double misclosure) {
    for (std::size_t m = 0; m < index.size(); ++m) {
        if (index[m] < 0)
            continue;
        impl_->rightSide[index[m]] += coefficient[m] * weight * misclosure;
        for (std::size_t k = 0; k < index.size(); ++k)
            if (index[k] >= 0 && index[k] <= index[m])
                impl_->entries.emplace_back(index[m], index[k],
                                            coefficient[m] * weight * coefficient[k]);
    }
}

void NormalEquations::ClearRows() {
    impl_->entries.clear();
    impl_->rightSide.setZero();
    impl_->factored = false;
}

bool NormalEquations::Solve(std::vector<double>& correction) {
    Impl& d = *impl_;
    d.factored = false;
    correction.assign(static_cast<std::size_t>(d.unknowns), 0.0);
    if (d.unknowns == 0)
        return true;
    d.normal.setFromTriplets(d.entries.begin(), d.entries.end());
    // The rows are those of the last linearisation, so N's pattern is unchanged and the
    // ordering found for it still serves.
    if (!d.analysed) {
        d.factor.analyzePattern(d.normal);
        d.analysed = true;
    }
    d.factor.factorize(d.normal);
    if (d.factor.info() != Eigen::Success)
        return false;
    const Eigen::VectorXd pivots = d.factor.vectorD();
    const auto& toOriginal = d.factor.permutationPinv().indices();
    for (int k = 0; k < d.unknowns; ++k) {
        const double diagonal = d.normal.coeff(toOriginal[k], toOriginal[k]);
        if (!(pivots[k] > kSingularPivot * diagonal))
            return false;
    }
    const Eigen::VectorXd x = d.factor.solve(d.rightSide);
    for (int i = 0; i < d.unknowns; ++i) {
        if (!std::isfinite(x[i]))
            return false;
        correction[static_cast<std::size_t>(i)] = x[i];
    }
    d.factored = true;
    return true;
}

// The Takahashi recurrences: with N = P⁻¹·L·D·Lᵀ·P⁻ᵀ and Z = (LDLᵀ)⁻¹,
//     Z(i, j) = −Σ L(k, j)·Z(k, i)     and     Z(j, j) = 1/D(j) − Σ L(k, j)·Z(k, j)
// over the rows k below j in column j of L, taken from the last column back. Every Z(k, i)
// they need lies in the pattern of L (its columns nest along the elimination tree), so the
// selected inverse costs about as much as the factorisation.
void NormalEquations::SelectInverse() {
    Impl& d = *impl_;
    if (!d.factored)
        return;
    const SparseMatrix& lower = d.factor.matrixL().nestedExpression();
    const int* start = lower.outerIndexPtr();
    const int* row = lower.innerIndexPtr();
    const double* value = lower.valuePtr();
    const Eigen::VectorXd pivots = d.factor.vectorD();
    const int n = d.unknowns;
    d.inverseDiagonal.assign(static_cast<std::size_t>(n), 0.0);
    d.inverseLower.assign(static_cast<std::size_t>(start[n]), 0.0);
    std::vector<int> place(static_cast<std::size_t>(n), -1); // row → position in column j
    std::vector<double> sum;
    for (int j = n - 1; j >= 0; --j) {
        const int begin = start[j];
        const int count = start[j + 1] - begin;
        for (int t = 0; t < count; ++t)
            place[static_cast<std::size_t>(row[begin + t])] = t;
        sum.assign(static_cast<std::size_t>(count), 0.0);
        for (int s = 0; s < count; ++s) {
            const int c = row[begin + s];
            const double ls = value[begin + s];
            sum[static_cast<std::size_t>(s)] += d.inverseDiagonal[static_cast<std::size_t>(c)] * ls;
            for (int q = start[c]; q < start[c + 1]; ++q) {
                const int t = place[static_cast<std::size_t>(row[q])];
                if (t < 0)
                    continue;
                const double z = d.inverseLower[static_cast<std::size_t>(q)];
                sum[static_cast<std::size_t>(t)] += z * ls;
                sum[static_cast<std::size_t>(s)] += z * value[begin + t];
            }
        }
        double diagonal = 1.0 / pivots[j];
        for (int t = 0; t < count; ++t) {
            const double z = -sum[static_cast<std::size_t>(t)];
            d.inverseLower[static_cast<std::size_t>(begin + t)] = z;
            diagonal -= value[begin + t] * z;
            place[static_cast<std::size_t>(row[begin + t])] = -1;
        }
        d.inverseDiagonal[static_cast<std::size_t>(j)] = diagonal;
    }
}

double NormalEquations::Cofactor(int i, int j) const {
    const Impl& d = *impl_;
    if (d.inverseDiagonal.empty())
        return std::numeric_limits<double>::quiet_NaN();
    const auto& toFactor = d.factor.permutationP().indices();
    const int a = toFactor[i];
    const int b = toFactor[j];
    if (a == b)
        return d.inverseDiagonal[static_cast<std::size_t>(a)];
    const SparseMatrix& lower = d.factor.matrixL().nestedExpression();
    const int column = std::min(a, b);
    const int wanted = std::max(a, b);
    const int* first = lower.innerIndexPtr() + lower.outerIndexPtr()[column];
    const int* last = lower.innerIndexPtr() + lower.outerIndexPtr()[column + 1];
    const int* found = std::lower_bound(first, last, wanted);
    if (found == last || *found != wanted)
        return std::numeric_limits<double>::quiet_NaN(); // outside N's pattern: never asked
    return d.inverseLower[static_cast<std::size_t>(found - lower.innerIndexPtr())];
}

} // namespace corvane
