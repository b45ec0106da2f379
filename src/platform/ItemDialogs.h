#pragma once

#include "FileProperties.h"
#include "OpenWithApps.h"

#include <optional>

/// The application the user picked in the "Open with" dialog.
struct AppChoice {
    QByteArray appId;
    bool alwaysUse = false; ///< make it the default for the file's type
};

/// The dialogs of the item commands, handed to the commands so that tests can answer them.
class ItemDialogs {
public:
    virtual ~ItemDialogs() = default;
    /// Lets the user pick a program for `fileName` (of type `typeName`) among `apps`;
    /// std::nullopt when cancelled.
    virtual std::optional<AppChoice> chooseApplication(const QString& fileName,
                                                       const QString& typeName,
                                                       const QList<AppEntry>& apps) = 0;
    /// Shows the item's properties (modal or not; the call returns at once or on close).
    virtual void showProperties(const FileProperties& properties) = 0;
};
