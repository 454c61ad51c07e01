#include "forms/format.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <string>

namespace tess {

QString formatPicture(double value, const QString& picture) {
    const qsizetype point = picture.indexOf(u'.');
    const QString wholePart = point < 0 ? picture : picture.left(point);
    const QString fracPart = point < 0 ? QString() : picture.mid(point + 1);
    const bool grouping = wholePart.contains(u',');
    const qsizetype minWhole = wholePart.count(u'0');
    const qsizetype fracRequired = fracPart.count(u'0');
    const qsizetype fracMax = fracRequired + fracPart.count(u'#');

    const bool negative = value < 0;
    double magnitude = std::fabs(value);
    const double scale = std::pow(10.0, static_cast<double>(fracMax));
    magnitude = std::round(magnitude * scale) / scale; // halves away from zero, as pictures do

    // Whole digits and fraction digits as text, without exponent notation.
    std::string digits = QString::number(std::floor(magnitude), 'f', 0).toStdString();
    if (digits == "0") digits.clear();
    std::string frac;
    if (fracMax > 0) {
        const double f = std::round((magnitude - std::floor(magnitude)) * scale);
        frac = std::to_string(static_cast<long long>(f));
        frac.insert(0,
                    static_cast<std::size_t>(fracMax) - std::min<std::size_t>(frac.size(), fracMax),
                    '0');
        while (static_cast<qsizetype>(frac.size()) > fracRequired && !frac.empty() &&
               frac.back() == '0')
            frac.pop_back();
    }
    while (static_cast<qsizetype>(digits.size()) < minWhole)
        digits.insert(0, 1, '0');

    const QLocale locale;
    QString whole;
    const QString separator = locale.groupSeparator();
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (grouping && i > 0 && (digits.size() - i) % 3 == 0) whole += separator;
        whole += QChar(digits[i]);
    }
    QString result;
    if (negative && (!digits.empty() || !frac.empty())) result += u'-';
    result += whole;
    if (point >= 0) result += locale.decimalPoint() + QString::fromStdString(frac);
    return result;
}

QString formatDate(const QDateTime& when, const QString& picture) {
    const QDate d = when.date();
    const QTime t = when.time();
    auto two = [](int v) { return QString::number(v).rightJustified(2, u'0'); };
    QString out;
    for (qsizetype i = 0; i < picture.size();) {
        const QStringView rest = QStringView(picture).mid(i);
        if (rest.startsWith(u"yyyy")) {
            out += QString::number(d.year()).rightJustified(4, u'0');
            i += 4;
        } else if (rest.startsWith(u"mm")) {
            out += two(d.month());
            i += 2;
        } else if (rest.startsWith(u"dd")) {
            out += two(d.day());
            i += 2;
        } else if (rest.startsWith(u"HH") || rest.startsWith(u"hh")) {
            out += two(t.hour());
            i += 2;
        } else if (rest.startsWith(u"MM") || rest.startsWith(u"nn")) {
            out += two(t.minute());
            i += 2;
        } else {
            out += picture[i];
            ++i;
        }
    }
    return out;
}

double val(const QString& text) {
    // Blanks, tabs and line feeds are dropped wherever they stand.
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (c != u' ' && c != u'\t' && c != u'\n') s += c;

    if (s.size() >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base != 0) {
            std::uint64_t v = 0;
            qsizetype i = 2;
            for (; i < s.size(); ++i) {
                const int digit = QString(s[i]).toInt(nullptr, 16);
                const bool isDigit =
                    s[i].isDigit() || (base == 16 && QString("abcdefABCDEF").contains(s[i]));
                if (!isDigit || digit >= base) break;
                v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
                if (v > 0xFFFFFFFFull) break;
            }
            return static_cast<double>(v);
        }
    }

    qsizetype i = 0;
    std::string num;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) num += static_cast<char>(s[i++].unicode());
    bool digits = false;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (s[i] >= u'0' && s[i] <= u'9') {
            num += static_cast<char>(s[i].unicode());
            digits = true;
        } else if (s[i] == u'.' && !point) {
            num += '.';
            point = true;
        } else {
            break;
        }
    }
    if (!digits) return 0.0;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E' || s[i] == u'd' || s[i] == u'D')) {
        std::string exp = "e";
        qsizetype j = i + 1;
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            exp += static_cast<char>(s[j++].unicode());
        bool expDigits = false;
        for (; j < s.size() && s[j] >= u'0' && s[j] <= u'9'; ++j) {
            exp += static_cast<char>(s[j].unicode());
            expDigits = true;
        }
        if (expDigits) num += exp;
    }
    double result = 0.0;
    const auto [end, ec] =
        std::from_chars(num.data() + (num[0] == '+' ? 1 : 0), num.data() + num.size(), result);
    (void)end;
    if (ec == std::errc::result_out_of_range) return num[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    return result;
}

QString hexUpper(std::uint32_t value) {
    return QString::number(value, 16).toUpper();
}

QString plainNumber(std::int64_t value) {
    return QString::number(value);
}

} // namespace tess
