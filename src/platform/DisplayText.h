#pragma once

#include <QString>

/// `text` for a one-line label, title or menu item: line breaks, which file names may hold,
/// show as the mark U+23CE and other control characters as U+FFFD.
QString oneLine(QString text);
