#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
/// Each variable and the folder below the temporary home it points at.
const struct {
    const char* name;
    const char* folder;
} kVariables[] = {{"HOME", ""},
                  {"XDG_CONFIG_HOME", "/.config"},
                  {"XDG_DATA_HOME", "/.local/share"},
                  {"XDG_CACHE_HOME", "/.cache"},
                  {"XDG_STATE_HOME", "/.local/state"},
                  {"XDG_RUNTIME_DIR", "/runtime"},
                  {"XDG_DATA_DIRS", "/sys/share"},
                  {"XDG_CONFIG_DIRS", "/sys/xdg"}};
} // namespace

TempHome::TempHome()
{
    for (const auto& [name, folder] : kVariables) {
        m_saved.append({name, qgetenv(name)});
        const QString path = m_dir.path() + QLatin1String(folder);
        QDir().mkpath(path);
        qputenv(name, QFile::encodeName(path));
    }
    QFile::setPermissions(path(u"runtime"_qs),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
