#pragma once

#include <QByteArray>
#include <QString>

class Prompt;

/// The error numbers a failed launch reports to the user.
namespace LaunchError {
constexpr int None = 0;
constexpr int FileNotFound = 2;
constexpr int NoAssociation = 1155;
constexpr int General = 31;
} // namespace LaunchError

/// What became of one launch.
struct LaunchOutcome {
    int errorCode = LaunchError::None;
    QString detail; ///< the system's own words for a General failure, else ""
    /// True when the application was started.
    bool ok() const { return errorCode == LaunchError::None; }
};

/// Opens a path (bytes, any name) or an address with the default application for its type,
/// through GIO. Shows nothing. A path that does not exist gives FileNotFound, a type or
/// scheme without an application NoAssociation.
LaunchOutcome openWithDefault(const QByteArray& target);

/// Starts the application that the desktop entry at `path` describes, with no files; a
/// file that is not an application's entry gives NoAssociation.
LaunchOutcome startLauncher(const QByteArray& path);

/// Opens a path with the application `appId` (a desktop-file id); errors as openWithDefault.
LaunchOutcome openWithApplication(const QByteArray& appId, const QByteArray& path);

/// The text of the "Oops!" box for a failed launch.
QString launchErrorText(const LaunchOutcome& outcome);

/// Shows the "Oops!" box (OK, critical) for a failed `outcome` through `prompt`.
void reportLaunchFailure(Prompt& prompt, const LaunchOutcome& outcome);

/// The title of the box that reports a failed launch.
QString launchErrorTitle();

/// Opens `target` with its default application; on failure shows the "Oops!" box (OK,
/// critical) through `prompt`. Returns true when the application was started.
bool LaunchFile(Prompt& prompt, const QByteArray& target);
