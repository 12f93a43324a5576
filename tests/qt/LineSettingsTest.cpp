#include "platform/qt/LineSettings.h"

#include <gtest/gtest.h>

namespace {

using platform::qt::LineSettings;
using platform::qt::ParseLineSettings;
using P = LineSettings::Parity;
using S = LineSettings::StopBits;

TEST(QtLineSettings, ReadsEveryPart) {
    struct Case {
        const char* text;
        LineSettings want;
    };
    const Case cases[] = {
        {"9600,N,8,1", {9600, P::None, 8, S::One}},
        {"38400,N,8,1", {38400, P::None, 8, S::One}},
        {"1200,e,7,2", {1200, P::Even, 7, S::Two}},
        {" 115200 , O , 5 , 1.5 ", {115200, P::Odd, 5, S::OneAndHalf}},
        {"300,M,6,1", {300, P::Mark, 6, S::One}},
        {"300,s,8,2", {300, P::Space, 8, S::Two}},
        {"2147483647,N,8,1", {2147483647, P::None, 8, S::One}},
    };
    for (const auto& c : cases) {
        const auto got = ParseLineSettings(c.text);
        ASSERT_TRUE(got.has_value()) << c.text;
        EXPECT_EQ(*got, c.want) << c.text;
    }
}

TEST(QtLineSettings, RefusesWhatNoLineCanRun) {
    const char* bad[] = {
        "",            "9600",          "9600,N,8",     "9600,N,8,1,1", "0,N,8,1",   "-9600,N,8,1",
        "9600.5,N,8,1", "2147483648,N,8,1", "96O0,N,8,1", "9600,X,8,1", "9600,NN,8,1", "9600,,8,1",
        "9600,N,4,1",  "9600,N,9,1",    "9600,N,88,1",  "9600,N,8,3",   "9600,N,8,0", "9600,N,8,",
        ",N,8,1",
    };
    for (const char* text : bad) EXPECT_FALSE(ParseLineSettings(text).has_value()) << "'" << text << "'";
}

} // namespace
