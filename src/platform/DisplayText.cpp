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
