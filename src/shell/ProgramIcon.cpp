#include "ProgramIcon.h"

namespace ProgramIcon {

QIcon icon()
{
    QIcon builtIn;
    builtIn.addFile(QStringLiteral(":/kestrelfind/icons/kestrelfind.svg"));
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        builtIn.addFile(QStringLiteral(":/kestrelfind/icons/%1/kestrelfind.png").arg(size),
                        QSize(size, size));
    return QIcon::fromTheme(QLatin1String(Name), builtIn);
}

} // namespace ProgramIcon
