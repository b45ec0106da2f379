#pragma once

#include "platform/FileProperties.h"

#include <QDialog>

/// Our own properties window for an item: name, type, a link's target, location, size,
/// dates, permissions and owner, each value selectable text with the label as its accessible
/// name.
class PropertiesDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PropertiesDialog)
public:
    /// Shows `properties`; closed with Close, Escape or Enter.
    explicit PropertiesDialog(const FileProperties& properties, QWidget* parent = nullptr);

    /// The text shown for a size: "1.2 MB (1,234,567 bytes)" in the user's locale, or only
    /// "512 bytes" under a kilobyte.
    static QString sizeText(qint64 bytes);
};
