// The tests take the C library's locale from the environment, as the
// program does once its QApplication exists, so a run under a
// comma-decimal locale (LC_ALL=de_DE.UTF-8) sees what a user there sees.
// ZS_TEST_DECIMAL_COMMA=1 makes sure that locale really is in force: a
// missing locale would otherwise leave the C locale and prove nothing.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace {

const bool kLocaleFromEnvironment = [] {
    std::setlocale(LC_ALL, "");
    return true;
}();

TEST(TestLocale, IsTheOneTheRunAsksFor) {
    ASSERT_TRUE(kLocaleFromEnvironment);
    const char* want = std::getenv("ZS_TEST_DECIMAL_COMMA");
    if (want == nullptr || std::string(want) != "1") GTEST_SKIP() << "no comma-decimal locale asked for";
    EXPECT_STREQ(std::localeconv()->decimal_point, ",") << "locale " << std::setlocale(LC_ALL, nullptr);
}

}  // namespace
