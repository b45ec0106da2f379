#include "MClipFileCopy.h"

#include "platform/FileUri.h"

#include <QClipboard>
#include <QMimeData>

namespace {
const QString kUriList = QStringLiteral("text/uri-list");
}

QMimeData* fileListMimeData(const QList<QByteArray>& Files)
{
    // One pass, each address made once and appended where it goes: a selection of a million
    // rows must not also hold lists of addresses and texts beside the payloads.
    QByteArray uriList;
    QByteArray gnomeList("copy");
    QString text;
    bool first = true;
    for (const QByteArray& path : Files) {
        if (path.isEmpty())
            continue;
        const QByteArray uri = fileUri(path);
        uriList.append(uri).append("\r\n");
        gnomeList.append('\n').append(uri);
        if (!first)
            text.append(u'\n');
        text.append(QString::fromUtf8(path));
        first = false;
    }
    // Held as long as the clipboard is this program's: without the room left for growth.
    uriList.squeeze();
    gnomeList.squeeze();
    text.squeeze();
    auto* data = new QMimeData;
    data->setData(kUriList, uriList);
    data->setData(QStringLiteral("x-special/gnome-copied-files"), gnomeList);
    data->setData(QStringLiteral("application/x-kde-cutselection"), QByteArray("0"));
    data->setText(text);
    return data;
}

bool ClipboardCopyFiles(const QList<QByteArray>& Files, QClipboard& clipboard)
{
    const bool any =
        std::any_of(Files.begin(), Files.end(), [](const QByteArray& p) { return !p.isEmpty(); });
    if (!any)
        return false;
    QMimeData* data = fileListMimeData(Files);
    const QByteArray expected = data->data(kUriList);
    clipboard.setMimeData(data); // the clipboard owns it from here
    const QMimeData* held = clipboard.mimeData();
    return held && held->data(kUriList) == expected;
}
