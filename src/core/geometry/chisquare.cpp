// The χ² distribution's quantiles, for the global test of an adjustment.

#include "core/geometry/adjustment.h"

#include <cmath>

namespace corvane {

namespace {

// The regularised lower incomplete gamma function P(a, x): by its series below a + 1, by the
// continued fraction of its complement above (each converges fast on its own side).
double LowerGammaRatio(double a, double x) {
    if (x <= 0)
        return 0.0;
    const double front = std::exp(-x + a * std::log(x) - std::lgamma(a));
    if (x < a + 1) {
        double term = 1.0 / a;
        double sum = term;
        for (int n = 1; n < 100000; ++n) {
            term *= x / (a + n);
            sum += term;
            if (std::fabs(term) < std::fabs(sum) * 1e-16)
                break;
        }
        return sum * front;
    }
    // Lentz's method for the continued fraction of Q(a, x).
    const double tiny = 1e-300;
    double b = x + 1 - a;
    double c = 1 / tiny;
    double d = 1 / b;
    double h = d;
    for (int i = 1; i < 100000; ++i) {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < tiny)
            d = tiny;
        c = b + an / c;
        if (std::fabs(c) < tiny)
            c = tiny;
        d = 1 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1) < 1e-16)
            break;
    }
    return 1.0 - front * h;
}

// The value below which a χ² variable of dof degrees of freedom falls with probability p.
double ChiSquareQuantile(int dof, double p) {
    const double a = dof / 2.0;
    double low = 0.0;
    double high = dof + 20.0 * std::sqrt(2.0 * dof) + 20.0;
    // Halving the bracket: the distribution function rises steadily, and a hundred halvings
    // leave an interval far below the figures' last digit.
    for (int i = 0; i < 100; ++i) {
        const double middle = (low + high) / 2;
        if (LowerGammaRatio(a, middle / 2) < p)
            low = middle;
        else
            high = middle;
    }
    return (low + high) / 2;
}

} // namespace

std::pair<double, double> ChiSquareBounds(int dof) {
    if (dof <= 0)
        return {0.0, 0.0};
    return {ChiSquareQuantile(dof, 0.025), ChiSquareQuantile(dof, 0.975)};
}

} // namespace corvane
