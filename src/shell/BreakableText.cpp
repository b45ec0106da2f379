#include "BreakableText.h"

#include <QLabel>

namespace {
constexpr QChar BreakMark(0x200B);
}

QString breakableText(const QString& text)
{
    constexpr int LongestRun = 32;
    QString out;
    out.reserve(text.size() + text.size() / LongestRun);
    int run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        out += c;
        run = c.isSpace() ? 0 : run + 1;
        // Never between the halves of a character, or before a mark that belongs to it.
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        if (run >= LongestRun && !c.isHighSurrogate() && !next.isLowSurrogate() && !next.isMark()) {
            out += BreakMark;
            run = 0;
        }
    }
    return out;
}

void setBreakableText(QLabel* label, const QString& text)
{
    label->setText(breakableText(text));
    label->setAccessibleName(text); // read without the break marks
}

QString withoutBreaks(QString text)
{
    return text.remove(BreakMark);
}
