#include "whole_radian.h"

namespace {

struct SineCosine {
    double sine;
    double cosine;
};

constexpr SineCosine kWholeRadians[360] = {
#include "whole_radian_table.inc"
};

} // namespace

double wholeRadianSine(int radians)
{
    return kWholeRadians[radians].sine;
}

double wholeRadianCosine(int radians)
{
    return kWholeRadians[radians].cosine;
}
