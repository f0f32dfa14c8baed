#include "planar_distance.h"

#include <cmath>

double planarDistance(double a, double b)
{
    const double absA = std::fabs(a);
    const double absB = std::fabs(b);
    const double m = absA > absB ? absA : absB;
    if (m == 0.0) {
        return 0.0;
    }
    const double ra = absA / m;
    const double rb = absB / m;
    return m * std::sqrt(ra * ra + rb * rb);
}
