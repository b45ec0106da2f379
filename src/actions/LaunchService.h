#pragma once

#include <QByteArray>
#include <QtGlobal>

class Prompt;

/// Whether `path` leads to an item, links followed: a link to nothing opens nothing.
bool leadsToAnItem(const QByteArray& path);

/// Opens items with their default application and records them as recent documents.
class LaunchService {
public:
    virtual ~LaunchService() = default;
    /// Opens `target` (path bytes or address); a failure is shown to the user here.
    /// True when the application was started.
    virtual bool launch(const QByteArray& target) = 0;
    /// Adds launched targets to the desktop's recent documents, in the order launched.
    virtual void addToRecentDocs(const QList<QByteArray>& targets) = 0;
};

/// The real service: GIO's default applications, the "Oops!" box through the prompt, and
/// the desktop's recently-used.xbel.
class DesktopLaunchService final : public LaunchService {
public:
    explicit DesktopLaunchService(Prompt& prompt)
        : m_prompt(prompt)
    {}
    Q_DISABLE_COPY_MOVE(DesktopLaunchService)

    /// LaunchFile: opens `target` (for an Internet shortcut its address, for a trusted
    /// application launcher its application), showing "Oops!" on failure; true when started.
    bool launch(const QByteArray& target) override;
    /// Adds `targets` to $XDG_DATA_HOME/recently-used.xbel.
    void addToRecentDocs(const QList<QByteArray>& targets) override;

private:
    Prompt& m_prompt;
};
