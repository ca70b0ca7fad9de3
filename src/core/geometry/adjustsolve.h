#pragma once

#include <array>
#include <memory>
#include <vector>

namespace corvane {

// The normal equations N·x = b of one linearisation of a least-squares adjustment, with
// N = AᵀPA kept sparse: a plan's network joins each point to a handful of others, so N
// has a few entries per row however many points there are. Solved by a sparse LDLᵀ
// factorisation (fill-reducing ordering found once, on the first solve, and kept while the
// observations stay the same); the cofactors Q_xx = N⁻¹ are then available wherever N has an
// entry, taken from the factor without ever forming the dense inverse.
class NormalEquations {
  public:
    explicit NormalEquations(int unknowns);
    ~NormalEquations();
    NormalEquations(const NormalEquations&) = delete;
    NormalEquations& operator=(const NormalEquations&) = delete;

    // One observation's row of A: up to four unknowns (an index below 0, a held coordinate,
    // is passed over), its weight and its misclosure (observed − computed).
    void AddRow(const std::array<int, 4>& index, const std::array<double, 4>& coefficient,
                double weight, double misclosure);
    // Forgets the rows, for the next linearisation of the same observations.
    void ClearRows();

    // Factors N and solves for the corrections. False when N is singular: some unknown is not
    // fixed by the observations (a point held only by a distance, two points at one place).
    bool Solve(std::vector<double>& correction);

    // After a successful Solve: N⁻¹·aᵀ for a row a of A (indices and coefficients as AddRow
    // takes them), one entry per unknown.
    std::vector<double> SolveRow(const std::array<int, 4>& index,
                                 const std::array<double, 4>& coefficient) const;

    // After a successful Solve: the cofactor Q_xx(i, j) of two unknowns whose pair N holds
    // (the two coordinates of a point, or of the two ends of one observation).
    void SelectInverse();
    double Cofactor(int i, int j) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace corvane
