#pragma once

#include <QByteArrayView>
#include <QString>

/// `text` for a one-line label, title or menu item: line breaks, which file names may hold,
/// show as the mark U+23CE and other control characters as U+FFFD.
QString oneLine(QString text);

/// `text` as a tooltip shows it exactly: a tooltip that looks like markup is taken as markup,
/// and a name such as "<i>x.txt" would lose its tags.
QString plainToolTip(const QString& text);

/// The length of the valid UTF-8 sequence at `at` in `bytes`, 0 when the byte there starts
/// none (a name's bytes need not be UTF-8).
qsizetype utf8Length(QByteArrayView bytes, qsizetype at);
