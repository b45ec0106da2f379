#pragma once

#include <QString>

#include <optional>

/// The three ways a stored text setting is read back. The program only ever writes valid
/// values; these functions make anything else (hand edits, damage) read safely.
namespace SettingValues {

/// "Read as a number": the longest leading decimal number of the text, 0 when it does not
/// start with one. Leading blanks and tabs are skipped; an optional sign, digits, an
/// optional fraction and an optional exponent ("1e3" gives 1000) are taken, anything after
/// them is ignored ("12abc" gives 12). A number too large for a double gives 0.
double readNumber(const QString& text);

/// readNumber() rounded to the nearest whole number (halves to even) and clamped to
/// [minimum, maximum].
long long readCount(const QString& text, long long minimum, long long maximum);

/// "Read as an integer": the whole text (blanks around it allowed) as a decimal number
/// rounded to a 16-bit integer (halves to even); std::nullopt when any other character is
/// present or the value lies outside -32768 … 32767.
std::optional<int> readInteger(const QString& text);

/// "Read as a truth value": "True" or "False" in any letter case, or a whole-text number
/// (0 is false, anything else true); std::nullopt otherwise.
std::optional<bool> readTruth(const QString& text);

/// The whole text (blanks around it allowed) as a decimal number rounded to the nearest whole
/// number (halves to even); std::nullopt when any other character is present or the value
/// lies outside [minimum, maximum]. For values wider than 16 bits, such as twips.
std::optional<long long> readWholeNumberIn(const QString& text, long long minimum,
                                           long long maximum);

/// readInteger() when the result lies in [minimum, maximum], otherwise `fallback`.
int readIntegerIn(const QString& text, int minimum, int maximum, int fallback);

} // namespace SettingValues
