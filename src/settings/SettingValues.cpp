#include "SettingValues.h"

#include <QByteArray>

#include <cmath>
#include <limits>

namespace SettingValues {
namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

/// The longest decimal number at the start of `text` (after blanks): its value and how many
/// characters it used; consumed is 0 when the text does not start with a number.
struct Parsed {
    double value = 0;
    qsizetype consumed = 0;
};

Parsed parseLeadingNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    QByteArray number; // ASCII copy for strtod, which must not see the locale's separator
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        number.append(char(text[i++].unicode()));
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        number.append(char(text[i++].unicode()));
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        qsizetype j = i + 1;
        QByteArray fraction(".");
        while (j < n && isDigit(text[j])) {
            fraction.append(char(text[j++].unicode()));
            ++digits;
        }
        if (digits > 0) {
            number.append(fraction);
            i = j;
        }
    }
    if (digits == 0)
        return {};
    // An exponent counts only when at least one digit follows it ("2e" is 2).
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        QByteArray exponent("e");
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            exponent.append(char(text[j++].unicode()));
        const qsizetype start = j;
        while (j < n && isDigit(text[j]))
            exponent.append(char(text[j++].unicode()));
        if (j > start) {
            number.append(exponent);
            i = j;
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok); // C locale whatever LC_NUMERIC says
    if (!ok || !std::isfinite(value))
        return {};
    return {value, i};
}

/// The whole text as a number (blanks around it allowed), or nullopt.
std::optional<double> parseWholeNumber(const QString& text)
{
    const Parsed parsed = parseLeadingNumber(text);
    if (parsed.consumed == 0)
        return std::nullopt;
    for (qsizetype i = parsed.consumed; i < text.size(); ++i) {
        if (!isBlank(text[i]))
            return std::nullopt;
    }
    return parsed.value;
}

} // namespace

double readNumber(const QString& text)
{
    return parseLeadingNumber(text).value;
}

long long readCount(const QString& text, long long minimum, long long maximum)
{
    const double rounded = std::nearbyint(readNumber(text)); // default mode: halves to even
    if (rounded <= double(minimum))
        return minimum;
    if (rounded >= double(maximum))
        return maximum;
    return static_cast<long long>(rounded);
}

std::optional<int> readInteger(const QString& text)
{
    const std::optional<double> value = parseWholeNumber(text);
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value);
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<int>(rounded);
}

std::optional<bool> readTruth(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<double> value = parseWholeNumber(text);
    if (!value)
        return std::nullopt;
    return *value != 0;
}

std::optional<long long> readWholeNumberIn(const QString& text, long long minimum,
                                           long long maximum)
{
    const std::optional<double> value = parseWholeNumber(text);
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value);
    if (rounded < double(minimum) || rounded > double(maximum))
        return std::nullopt;
    return static_cast<long long>(rounded);
}

int readIntegerIn(const QString& text, int minimum, int maximum, int fallback)
{
    const std::optional<int> value = readInteger(text);
    if (!value || *value < minimum || *value > maximum)
        return fallback;
    return *value;
}

} // namespace SettingValues
