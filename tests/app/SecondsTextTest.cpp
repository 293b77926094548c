#include "app/SecondsText.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

class SecondsTextTest : public ::testing::Test {
protected:
    ~SecondsTextTest() override { QLocale::setDefault(QLocale::c()); }
};

TEST_F(SecondsTextTest, RussianLocaleUsesAComma) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    EXPECT_EQ(SecondsText(0), "0");
    EXPECT_EQ(SecondsText(8000), "1");
    EXPECT_EQ(SecondsText(12000), "1,5");
    EXPECT_EQ(SecondsText(1078696), "134,8");
    EXPECT_EQ(SecondsText(1), "0,000125");
    EXPECT_EQ(SecondsText(80000), "10");
    EXPECT_EQ(SecondsText(800000), "100");
}

TEST_F(SecondsTextTest, EnglishLocaleUsesAPoint) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(SecondsText(1078696), "134.8");
    EXPECT_EQ(SecondsText(12000), "1.5");
}

TEST_F(SecondsTextTest, FourSignificantDigitsRoundHalfUp) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(SecondsText(8004), "1.001");    // 1.0005 exactly
    EXPECT_EQ(SecondsText(8003), "1");        // 1.000375
    EXPECT_EQ(SecondsText(79996), "10");      // 9.9995 carries into a new digit
    EXPECT_EQ(SecondsText(1078700), "134.8"); // 134.8375
    EXPECT_EQ(SecondsText(1078760), "134.8"); // 134.845
    EXPECT_EQ(SecondsText(1078800), "134.9"); // 134.85
    EXPECT_EQ(SecondsText(9), "0.001125");
    EXPECT_EQ(SecondsText(123457), "15.43"); // 15.432125
}

} // namespace
