#include "MClipFileCopy.h"

#include "platform/FileUri.h"

#include <QClipboard>
#include <QMimeData>

namespace {
const QString kUriList = QStringLiteral("text/uri-list");
}

QMimeData* fileListMimeData(const QList<QByteArray>& Files)
{
    QList<QByteArray> uris;
    QStringList texts;
    for (const QByteArray& path : Files) {
        if (path.isEmpty())
            continue;
        uris.append(fileUri(path));
        texts.append(QString::fromUtf8(path));
    }
    auto* data = new QMimeData;
    QByteArray uriList;
    for (const QByteArray& uri : uris)
        uriList.append(uri).append("\r\n");
    data->setData(kUriList, uriList);
    data->setData(QStringLiteral("x-special/gnome-copied-files"),
                  QByteArray("copy\n").append(uris.join('\n')));
    data->setData(QStringLiteral("application/x-kde-cutselection"), QByteArray("0"));
    data->setText(texts.join(u'\n'));
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
