#pragma once

#include <QString>

class QLabel;

/// `text` as a word-wrapped dialog shows it: a break opportunity (a zero-width space) in
/// every run of 32 characters with none (word wrap breaks only between words, after a slash
/// or a hyphen, and a long name would make the dialog wider than the screen, or be cut at
/// its edge), and runs over 480 characters, and then the whole text over 1,200, cut in the
/// middle with an ellipsis (a path of thousands would make it taller than the screen).
QString breakableText(const QString& text);

/// Shows `text` in the word-wrapped `label` as breakableText() makes it, while a screen
/// reader reads it whole, without the marks.
void setBreakableText(QLabel* label, const QString& text);

/// `text` as shown by `setBreakableText`, without the break marks again (for tests).
QString withoutBreaks(QString text);
