#pragma once

#include <QString>

class QWidget;

/// Shows a modal choice of one existing directory, titled `Title`, opening at
/// `InitialFolder` when that is an existing directory (else where the dialog opens by
/// default). Returns the chosen folder as an absolute, clean path: "/" for the root, any
/// other folder without a trailing "/"; "" when the user cancels. While Qt's own dialog is
/// used, the window title shows the highlighted folder's full path after `Title`.
QString BrowseForFolder(QWidget* owner, const QString& Title, const QString& InitialFolder);

namespace BrowseDirectorysOnly {
/// The window title while `highlighted` is the highlighted folder: `title`, or with a
/// folder `title` + " — " + its path.
QString titleFor(const QString& title, const QString& highlighted);
} // namespace BrowseDirectorysOnly
