#include "BreakableText.h"

#include <QLabel>

namespace {

constexpr QChar BreakMark(0x200B);
constexpr QChar Ellipsis(0x2026);

/// Whether a line may break after `c` anyway: after a space, and after a path's slash or a
/// hyphen, where a line breaker breaks long paths and names best.
bool breaksAfter(QChar c)
{
    return c.isSpace() || c == u'/' || c == u'-' || c == BreakMark;
}

/// `text` cut to `keep` characters by taking out its middle, which an ellipsis stands for.
QString cutInTheMiddle(QStringView text, qsizetype keep)
{
    if (text.size() <= keep)
        return text.toString();
    qsizetype head = keep / 2;
    qsizetype tail = text.size() - (keep - head);
    // Never between the halves of a character.
    if (head > 0 && text.at(head - 1).isHighSurrogate())
        --head;
    if (text.at(tail).isLowSurrogate())
        ++tail;
    return text.first(head) + Ellipsis + text.sliced(tail);
}

/// `text` with each run longer than `longest` characters without a space cut in the middle:
/// a path of thousands of characters would make a dialog taller than the screen, its buttons
/// out of reach, and its ends are what tell it apart.
QString withLongRunsCut(const QString& text, qsizetype longest)
{
    QString out;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        const bool space = text.at(start).isSpace();
        while (end < text.size() && text.at(end).isSpace() == space)
            ++end;
        const qsizetype length = end - start;
        out += space ? QStringView(text).sliced(start, length).toString()
                     : cutInTheMiddle(QStringView(text).sliced(start, length), longest);
        start = end;
    }
    return out;
}

} // namespace

QString breakableText(const QString& text)
{
    constexpr qsizetype LongestRun = 480;
    constexpr qsizetype LongestText = 1200; // a path with spaces in it has short runs
    constexpr int LongestUnbroken = 32;
    const QString cut = cutInTheMiddle(withLongRunsCut(text, LongestRun), LongestText);
    QString out;
    out.reserve(cut.size() + cut.size() / LongestUnbroken);
    int run = 0;
    for (qsizetype i = 0; i < cut.size(); ++i) {
        const QChar c = cut.at(i);
        out += c;
        run = breaksAfter(c) ? 0 : run + 1;
        // Never between the halves of a character, or before a mark that belongs to it.
        const QChar next = i + 1 < cut.size() ? cut.at(i + 1) : QChar();
        if (run >= LongestUnbroken && !c.isHighSurrogate() && !next.isLowSurrogate() &&
            !next.isMark()) {
            out += BreakMark;
            run = 0;
        }
    }
    return out;
}

void setBreakableText(QLabel* label, const QString& text)
{
    label->setText(breakableText(text));
    label->setAccessibleName(text); // read whole, without the break marks
}

QString withoutBreaks(QString text)
{
    return text.remove(BreakMark);
}
