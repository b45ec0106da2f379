#pragma once

#include <QString>

class QLabel;

/// `text` with a break opportunity (a zero-width space) in every long run without a space:
/// word wrap breaks only between words, and a long name or path would otherwise make a
/// dialog wider than the screen, or cut the name at its edge.
QString breakableText(const QString& text);

/// Shows `text` in the word-wrapped `label` with those breaks, while a screen reader reads it
/// without them.
void setBreakableText(QLabel* label, const QString& text);

/// `text` as shown by `setBreakableText`, without the break marks again (for tests).
QString withoutBreaks(QString text);
