// Which swap-control extension an extension list offers.
#include "app/swap_interval.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {
struct SwapControlCase {
    const char* name;
    const char* extensions;
    SwapControl expected;
};

void PrintTo(const SwapControlCase& c, std::ostream* out) { *out << c.name; }

const SwapControlCase SWAP_CONTROL_CASES[] = {
    {"NoList", nullptr, SwapControl::none},
    {"EmptyList", "", SwapControl::none},
    {"XvfbLikeList", "GLX_ARB_create_context GLX_EXT_visual_info GLX_MESA_copy_sub_buffer GLX_OML_swap_method ",
     SwapControl::none},
    {"ExtAlone", "GLX_EXT_swap_control", SwapControl::ext},
    {"MesaInTheMiddle", "GLX_ARB_multisample GLX_MESA_swap_control GLX_SGI_make_current_read", SwapControl::mesa},
    {"ExtBeforeMesa", "GLX_MESA_swap_control GLX_EXT_swap_control ", SwapControl::ext},
    {"OnlyALongerName", "GLX_EXT_swap_control_tear GLX_XEXT_swap_control", SwapControl::none},
    {"LongerNameThenTheName", "GLX_EXT_swap_control_tear GLX_EXT_swap_control", SwapControl::ext},
    {"APrefixOfTheName", "GLX_MESA_swap_contro", SwapControl::none},
};

class SwapControlIn : public testing::TestWithParam<SwapControlCase> {};

TEST_P(SwapControlIn, NamesTheExtensionByItsWholeName) {
    EXPECT_EQ(swap_control_in(GetParam().extensions), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lists, SwapControlIn, testing::ValuesIn(SWAP_CONTROL_CASES),
                         [](const testing::TestParamInfo<SwapControlCase>& info) { return info.param.name; });

TEST(SwapOncePerRefresh, WithoutACurrentContextAsksNothing) {
    EXPECT_EQ(swap_once_per_refresh(), SwapControl::none);
}
}  // namespace
