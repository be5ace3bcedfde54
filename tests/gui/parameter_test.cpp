// Parameters: clamping, change callbacks and display text.
#include "gui/parameter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
// Records every call of a change callback with the value it saw.
struct Changes {
    std::vector<double> values;
    Parameter* last = nullptr;
};

void record_change(Parameter* parameter, void* data) {
    auto* changes = static_cast<Changes*>(data);
    changes->values.push_back(parameter->value);
    changes->last = parameter;
}

struct ParameterTest : testing::Test {
    Parameter* parameter = Parameter::create(nullptr, 1, 0.0);
    Changes changes;
    void TearDown() override { Parameter::destroy(parameter); }
};
}  // namespace

TEST_F(ParameterTest, StartsWithTheGivenValueUnclampedAndAUnitRange) {
    Parameter* wild = Parameter::create(nullptr, 7, 3.5);
    EXPECT_EQ(wild->id, 7);
    EXPECT_EQ(wild->value, 3.5);
    EXPECT_EQ(wild->minimum, 0.0);
    EXPECT_EQ(wild->maximum, 1.0);
    EXPECT_EQ(wild->on_change, nullptr);
    EXPECT_STREQ(wild->label.data(), "");
    Parameter::destroy(wild);
}

TEST_F(ParameterTest, SetOnChangeCallsTheCallbackOnceAtOnce) {
    parameter->set_on_change(record_change, &changes);
    ASSERT_EQ(changes.values.size(), 1u);
    EXPECT_EQ(changes.last, parameter);
    EXPECT_EQ(changes.values[0], 0.0);
}

TEST_F(ParameterTest, SetValueClampsIntoTheRangeAndAlwaysTellsTheCallback) {
    parameter->set_on_change(record_change, &changes);
    parameter->set_value(1.5);
    EXPECT_EQ(parameter->value, 1.0);
    parameter->set_value(1.0);  // unchanged, told all the same
    parameter->set_value(-2.0);
    EXPECT_EQ(changes.values, (std::vector<double>{0.0, 1.0, 1.0, 0.0}));
}

TEST_F(ParameterTest, SetRangeDoesNotClampAgainUntilTheNextSetValue) {
    parameter->set_value(0.8);
    parameter->set_range(-1.0, 0.5);
    EXPECT_EQ(parameter->value, 0.8);
    EXPECT_DOUBLE_EQ(parameter->normalized(), 1.8 / 1.5);
    parameter->set_value(parameter->value);
    EXPECT_EQ(parameter->value, 0.5);
}

TEST_F(ParameterTest, NormalizedValuesMapOntoTheRange) {
    parameter->set_range(20.0, 220.0);
    parameter->set_normalized(0.25);
    EXPECT_DOUBLE_EQ(parameter->value, 70.0);
    EXPECT_DOUBLE_EQ(parameter->normalized(), 0.25);
    parameter->set_normalized(2.0);
    EXPECT_DOUBLE_EQ(parameter->value, 220.0);
}

TEST_F(ParameterTest, AnEmptyRangeNormalisesToZeroInsteadOfDividingByZero) {
    parameter->set_range(0.3, 0.3);
    parameter->set_value(5.0);
    EXPECT_EQ(parameter->value, 0.3);
    EXPECT_EQ(parameter->normalized(), 0.0);
    parameter->set_normalized(0.7);
    EXPECT_EQ(parameter->value, 0.3);
}

TEST_F(ParameterTest, FormatTextPrintsTwoDecimalsABlankAndTheLabel) {
    parameter->set_value(0.5);
    EXPECT_STREQ(parameter->format_text(), "0.50 ");
    EXPECT_STREQ(parameter->text.data(), "0.50 ");
    parameter->set_range(0.0, 1000.0);
    parameter->set_value(440.0);
    parameter->set_label("Hz");
    EXPECT_STREQ(parameter->format_text(), "440.00 Hz");
    parameter->set_value(0.004999);
    EXPECT_STREQ(parameter->format_text(), "0.00 Hz");
}

TEST_F(ParameterTest, LongLabelsAndLongNumbersAreCutToTheirFields) {
    const std::string long_label(40, 'x');
    parameter->set_label(long_label.c_str());
    EXPECT_EQ(std::string(parameter->label.data()), std::string(31, 'x'));
    parameter->set_label("ms");
    EXPECT_STREQ(parameter->label.data(), "ms");  // nothing of the longer label is left

    // 1e300 prints with 301 digits before the point: more than the text holds.
    parameter->set_range(0.0, 1e300);
    parameter->set_value(1e300);
    const std::string text = parameter->format_text();
    EXPECT_EQ(text.size(), 255u);
    EXPECT_EQ(text.substr(0, 2), "10");
    parameter->set_label(nullptr);
    EXPECT_STREQ(parameter->label.data(), "");
}
