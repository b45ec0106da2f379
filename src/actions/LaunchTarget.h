#pragma once

#include <QByteArray>

/// What launching a listed item really opens. An Internet shortcut opens its address and a
/// trusted application launcher starts its application, as a desktop does when such a
/// file is opened; everything else opens itself with the default application for its type.
struct LaunchTarget {
    enum class Kind {
        Item,     ///< the path or address itself
        Address,  ///< the address a shortcut holds
        Launcher, ///< a desktop entry of an application, to be started
    };
    Kind kind = Kind::Item;
    QByteArray value; ///< the path, the address, or the launcher's path

    /// Resolves `target` (path bytes or an address). A launcher is trusted, and so started,
    /// only when it lies in one of the desktop's applications folders or its owner may
    /// execute it (the rule file managers apply); any other launcher opens as a file, so a
    /// downloaded launcher never runs a command just by being found and launched. A
    /// shortcut without a readable address opens as a file.
    static LaunchTarget resolve(const QByteArray& target);
};
