#include "core/geometry/adjustsolve.h"

#include <Eigen/Dense>
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

std::vector<double> NormalEquations::SolveRow(const std::array<int, 4>& index,
                                              const std::array<double, 4>& coefficient) const {
    const Impl& d = *impl_;
    Eigen::VectorXd a = Eigen::VectorXd::Zero(d.unknowns);
    for (std::size_t m = 0; m < index.size(); ++m)
        if (index[m] >= 0)
            a[index[m]] += coefficient[m];
    const Eigen::VectorXd x = d.factored ? Eigen::VectorXd(d.factor.solve(a)) : a * 0.0;
    return std::vector<double>(x.data(), x.data() + x.size());
}

// The Takahashi recurrences: with N = P⁻¹·L·D·Lᵀ·P⁻ᵀ and Z = (LDLᵀ)⁻¹, taken from the last
// column back,
//     Z(i, j) = −Σ L(k, j)·Z(k, i)     and     Z(j, j) = 1/D(j) − Σ L(k, j)·Z(k, j)
// over the rows k below j in column j of L. Every Z(k, i) they need lies in the pattern of L
// (its columns nest along the elimination tree), so the selected inverse costs about as much
// as the factorisation. Columns are taken in runs whose rows below the run are the same
// (the two coordinates of a point always, the points of a separator often): for a run J with
// the rows R below it,
//     Z(R, J) = −Z(R, R)·L̂     and     Z(J, J) = L(J, J)⁻ᵀ·D(J)⁻¹·L(J, J)⁻¹ − L̂ᵀ·Z(R, J)
// with L̂ = L(R, J)·L(J, J)⁻¹, so Z(R, R) is gathered once for the run and the rest is dense.
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
    auto count = [start](int j) { return start[j + 1] - start[j]; };

    // The runs, each from its first column: a column joins the run of the next when its rows
    // are that column and then the next column's rows.
    constexpr int kWidest = 64;
    std::vector<int> first;
    for (int k = 0; k < n; ++k)
        if (k == 0 || k - first.back() >= kWidest || count(k - 1) != count(k) + 1 ||
            row[start[k - 1]] != k)
            first.push_back(k);
    first.push_back(n);

    std::vector<int> place(static_cast<std::size_t>(n), -1); // row → its place in R
    Eigen::MatrixXd zRR, lRJ, lJJ, zRJ, zJJ, inverseJJ;
    for (std::size_t run = first.size() - 1; run-- > 0;) {
        const int f = first[run];
        const int w = first[run + 1] - f;
        const int last = f + w - 1;
        const int m = count(last);
        const int* rows = row + start[last];
        for (int t = 0; t < m; ++t)
            place[static_cast<std::size_t>(rows[t])] = t;

        zRR.resize(m, m);
        for (int a = 0; a < m; ++a) {
            const int c = rows[a];
            zRR(a, a) = d.inverseDiagonal[static_cast<std::size_t>(c)];
            auto put = [&](int b, int q) {
                zRR(a, b) = zRR(b, a) = d.inverseLower[static_cast<std::size_t>(q)];
            };
            // Column c holds every later row of R, and often many more (a column of the last
            // separator is long): a short column is walked whole, in a long one the rows
            // wanted are searched for.
            if (count(c) <= 8 * (m - a - 1)) {
                for (int q = start[c]; q < start[c + 1]; ++q)
                    if (const int b = place[static_cast<std::size_t>(row[q])]; b >= 0)
                        put(b, q);
            } else {
                const int* from = row + start[c];
                for (int b = a + 1; b < m; ++b) {
                    from = std::lower_bound(from, row + start[c + 1], rows[b]);
                    put(b, static_cast<int>(from - row));
                }
            }
        }
        for (int t = 0; t < m; ++t)
            place[static_cast<std::size_t>(rows[t])] = -1;

        // Column f + k holds the rows f + k + 1 … last of the run, then R.
        lJJ = Eigen::MatrixXd::Identity(w, w);
        lRJ.resize(m, w);
        for (int k = 0; k < w; ++k) {
            const int at = start[f + k];
            for (int i = k + 1; i < w; ++i)
                lJJ(i, k) = value[at + i - k - 1];
            for (int t = 0; t < m; ++t)
                lRJ(t, k) = value[at + w - 1 - k + t];
        }
        // (A run with no later rows, the last of the factor, has nothing to solve; Eigen's
        // solver would still touch the empty matrix's first element.)
        if (m > 0)
            lJJ.triangularView<Eigen::UnitLower>().solveInPlace<Eigen::OnTheRight>(lRJ); // L̂
        zRJ.noalias() = -zRR * lRJ;
        inverseJJ = Eigen::MatrixXd::Identity(w, w);
        lJJ.triangularView<Eigen::UnitLower>().solveInPlace(inverseJJ);
        zJJ.noalias() =
            inverseJJ.transpose() * pivots.segment(f, w).cwiseInverse().asDiagonal() * inverseJJ;
        zJJ.noalias() -= lRJ.transpose() * zRJ;

        for (int k = 0; k < w; ++k) {
            const int at = start[f + k];
            d.inverseDiagonal[static_cast<std::size_t>(f + k)] = zJJ(k, k);
            for (int i = k + 1; i < w; ++i)
                d.inverseLower[static_cast<std::size_t>(at + i - k - 1)] = zJJ(i, k);
            for (int t = 0; t < m; ++t)
                d.inverseLower[static_cast<std::size_t>(at + w - 1 - k + t)] = zRJ(t, k);
        }
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
