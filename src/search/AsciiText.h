#pragma once

#include <QByteArrayView>

#include <algorithm>
#include <thread>

/// Byte-level helpers shared by the match rules: file names are bytes, and these tests look
/// at ASCII letters only, leaving every other byte as it is.
namespace AsciiText {

/// The byte with an ASCII capital letter turned into its small letter.
inline char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

/// Whether every byte is below 0x80.
inline bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

/// Whether `name` ends in `lowerSuffix` (given in small letters), ASCII letters in any case.
inline bool endsWithNoCase(QByteArrayView name, QByteArrayView lowerSuffix)
{
    if (name.size() < lowerSuffix.size())
        return false;
    const char* tail = name.data() + (name.size() - lowerSuffix.size());
    for (qsizetype i = 0; i < lowerSuffix.size(); ++i) {
        if (lower(tail[i]) != lowerSuffix[i])
            return false;
    }
    return true;
}

} // namespace AsciiText

/// Threads worth using for work bound by the kernel's directory reads or by sorting: one per
/// core, at most four (more only add switching).
inline int workThreadCount()
{
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}
