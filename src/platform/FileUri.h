#pragma once

#include <QByteArray>

#include <optional>

/// The file:// address of a path, every byte outside the unreserved set and '/' written as
/// %XX, so names that are not valid UTF-8 or hold line breaks survive unchanged. A relative
/// path is taken from the current folder.
QByteArray fileUri(const QByteArray& path);

/// The path bytes of a file: address on this machine (host empty, "localhost" or left out,
/// the scheme in any case; a query or fragment is no part of the path); std::nullopt for any
/// other address and for one whose path holds an encoded NUL, which no file's path can.
std::optional<QByteArray> pathFromFileUri(const QByteArray& uri);

/// True when `uri` is a file: address on this machine, whether or not a path can be made of
/// it.
bool isLocalFileUri(const QByteArray& uri);

/// True when `target` is an address with a scheme (http://…, mailto:…) rather than a path.
bool isAddress(const QByteArray& target);

/// The folder part of a path without its trailing '/' ("/" for an item at the root).
QByteArray parentFolder(const QByteArray& path);

/// False only when there is known to be no entry at `path` itself (nothing by that name, or a
/// file where a folder on the way should be); a link counts even when what it points to is
/// gone, since a name it holds is taken all the same.
bool entryExists(const QByteArray& path);
