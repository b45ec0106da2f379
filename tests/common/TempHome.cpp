#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>

namespace {
const char* const kVariables[] = {"HOME",           "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                  "XDG_CACHE_HOME", "XDG_STATE_HOME",  "XDG_RUNTIME_DIR",
                                  "XDG_DATA_DIRS",  "XDG_CONFIG_DIRS"};
}

TempHome::TempHome()
{
    for (const char* name : kVariables)
        m_saved.append({name, qgetenv(name)});
    const QString root = m_dir.path();
    QDir().mkpath(root + u"/.config");
    QDir().mkpath(root + u"/.local/share");
    QDir().mkpath(root + u"/.cache");
    QDir().mkpath(root + u"/.local/state");
    QDir().mkpath(root + u"/runtime");
    QFile::setPermissions(root + u"/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(root + u"/sys/share");
    QDir().mkpath(root + u"/sys/xdg");
    qputenv("HOME", QFile::encodeName(root));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + u"/.config"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + u"/.local/share"));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root + u"/.cache"));
    qputenv("XDG_STATE_HOME", QFile::encodeName(root + u"/.local/state"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + u"/runtime"));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(root + u"/sys/share"));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(root + u"/sys/xdg"));
}

TempHome::~TempHome()
{
    for (const auto& [name, value] : m_saved) {
        if (value.isNull())
            qunsetenv(name.constData());
        else
            qputenv(name.constData(), value);
    }
}

QString TempHome::mkdir(const QString& relative) const
{
    const QString full = path(relative);
    QDir().mkpath(full);
    return full;
}

QString TempHome::write(const QString& relative, const QByteArray& contents) const
{
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly))
        file.write(contents);
    return full;
}
