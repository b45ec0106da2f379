#include "DisplayText.h"

QString oneLine(QString text)
{
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n' || u == u'\r' || u == 0x85 || u == 0x2028 || u == 0x2029)
            c = QChar(0x23CE);
        else if (u < 0x20 || u == 0x7F)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

QString plainToolTip(const QString& text)
{
    // Qt takes a text as markup for a tag, or for a "&lt;" before the first '<'.
    if (!text.contains(u'<') && !text.contains(u"&lt;"))
        return text; // never taken as markup
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

qsizetype utf8Length(QByteArrayView value, qsizetype at)
{
    const auto c = static_cast<unsigned char>(value[at]);
    const qsizetype length = c < 0x80   ? 1
                             : c < 0xc2 ? 0
                             : c < 0xe0 ? 2
                             : c < 0xf0 ? 3
                             : c < 0xf5 ? 4
                                        : 0;
    if (length <= 1 || at + length > value.size())
        return length == 1 ? 1 : 0;
    const QString decoded = QString::fromUtf8(value.sliced(at, length));
    return decoded.size() >= 1 && !decoded.contains(QChar::ReplacementCharacter) ? length : 0;
}
