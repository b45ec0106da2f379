#pragma once

#include <QDialog>

/// A dialog that, as it shows, takes the height its word-wrapped texts need at its width and
/// keeps the whole of itself, title bar included, on its screen. Qt gives a new window at most
/// two thirds of the screen's height, whatever its texts need (a file question on a small or
/// scaled screen lost the lines it asks about), and leaves a size set in code unchecked
/// against the screen.
class FittedDialog : public QDialog {
public:
    using QDialog::QDialog;

protected:
    void showEvent(QShowEvent* event) override;
};
