#pragma once

#include <QByteArray>
#include <QList>

/// What the item commands read from and do to the window's result list.
class ItemHost {
public:
    virtual ~ItemHost() = default;
    /// The full paths of the selected rows in list order (GetSelectedFiles); empty paths,
    /// such as the one stand-in for "nothing selected", are ignored by every command.
    virtual QList<QByteArray> GetSelectedFiles() const = 0;
    /// The number of rows in the result list.
    virtual int listRowCount() const = 0;
    /// 2 after a right-button press over the list, 1 after any other, 0 once handled.
    virtual int LastListButton() const = 0;
    /// Sets LastListButton.
    virtual void setLastListButton(int button) = 0;
    /// The full path of the list's current row; empty when there is none.
    virtual QByteArray currentPath() const = 0;
    /// Runs the search command exactly as the Search button does (Stop while a search runs).
    virtual void searchAgain() = 0;
    /// Removes every row holding one of `paths`: those items are gone, wherever listed.
    virtual void removeRows(const QList<QByteArray>& paths) = 0;
    /// Starts the in-place edit of the current row's name.
    virtual void beginRename() = 0;
};

/// The selected paths without the empty stand-in.
QList<QByteArray> selectedPaths(const ItemHost& host);
