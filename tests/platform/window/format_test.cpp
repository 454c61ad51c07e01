#include "platform/window/format.h"
#include "platform/window/twips.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace tess;

namespace {

struct PictureCase {
    double value;
    const char* picture;
    const char* expected;
};

TEST(NumberPictures, FormatLikeTheWindowsPictures) {
    QLocale::setDefault(QLocale::c());
    const PictureCase cases[] = {
        {0, "#,###,##0", "0"},
        {7, "#,###,##0", "7"},
        {1234, "#,###,##0", "1,234"},
        {1234567, "#,###,##0", "1,234,567"},
        {-1, "###,###,###,##0", "-1"},
        {-1234, "###,###,###,##0", "-1,234"},
        {2147483647, "###,###,###,##0", "2,147,483,647"},
        {7, "#####00", "07"},
        {0, "#####00", "00"},
        {123, "#####00", "123"},
        {7, "#####0000", "0007"},
        {12345, "#####0000", "12345"},
        {1234, "##,###,###,###,##0", "1,234"},
        {53, "##,###,###,###,##0.#####", "53."},
        {75, "##,###,###,###,##0.#####", "75."},
        {32755, "##,###,###,###,##0.#####", "32,755."},
        {9, "###,###,###,##0.####", "9."},
        {1.5, "##0.#####", "1.5"},
        {2.125, "##0.##", "2.13"},
        {1234, "#,###,###,##0", "1,234"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatPicture(c.value, QString::fromLatin1(c.picture)),
                  QString::fromLatin1(c.expected))
            << c.value << " with " << c.picture;
    }
}

TEST(NumberPictures, UseTheLocalesSeparators) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(formatPicture(1234, "#,###,##0"), "1.234");
    EXPECT_EQ(formatPicture(53, "##,###,###,###,##0.#####"), "53,");
    QLocale::setDefault(QLocale::c());
}

TEST(DatePicture, WritesYearMonthDayHourMinute) {
    const QDateTime when(QDate(2026, 3, 5), QTime(9, 7, 59));
    EXPECT_EQ(formatDate(when, "yyyy-mm-dd_HH-MM"), "2026-03-05_09-07");
    EXPECT_EQ(formatDate(QDateTime(QDate(1999, 12, 31), QTime(23, 59)), "yyyy-mm-dd_HH-MM"),
              "1999-12-31_23-59");
}

struct ValCase {
    const char* text;
    double expected;
};

TEST(NumberReader, ReadsTheNumberAtTheStartOfAText) {
    const ValCase cases[] = {
        {"", 0},          {"abc", 0},     {"12", 12},       {"  12", 12}, {"1 2", 12},
        {"1\t2\n3", 123}, {"12.5", 12.5}, {"12.5.6", 12.5}, {"-3", -3},   {"+4", 4},
        {"12 pt", 12},    {"1e3", 1000},  {"2.5E-1", 0.25}, {"1d2", 100}, {"&H1F", 31},
        {"&hff", 255},    {"&O17", 15},   {"&o8", 0},       {".5", 0.5},  {".", 0},
        {"16>", 16},      {"0", 0},       {"1e", 1},        {"- 5", -5},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(val(QString::fromLatin1(c.text)), c.expected) << '"' << c.text << '"';
    }
}

TEST(NumberReader, IgnoresTheLocalesDecimalPoint) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_DOUBLE_EQ(val("12.5"), 12.5);
    QLocale::setDefault(QLocale::c());
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    const std::pair<double, int> cases[] = {{0.5, 0},    {1.5, 2},    {2.5, 2},
                                            {3.5, 4},    {-0.5, 0},   {-1.5, -2},
                                            {2.4999, 2}, {2.5001, 3}, {7.89, 8}};
    for (auto [v, expected] : cases)
        EXPECT_EQ(roundToInt(v), expected) << v;
    EXPECT_EQ(roundToInt(1e20), 2147483647);
    EXPECT_EQ(roundToInt(-1e20), -2147483647 - 1);
}

} // namespace
