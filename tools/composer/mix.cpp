#include "tools/composer/mix.h"

#include <cmath>

#include "tools/composer/dsp.h"

Pan pan_at(double position) {
    const double angle = (position + 1.0) * 0.25 * PI;
    return Pan{std::cos(angle), std::sin(angle)};
}
