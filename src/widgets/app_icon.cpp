#include "widgets/app_icon.h"

QIcon ApplicationIcon()
{
    // The themed icon of an installed package wins, so a desktop theme may restyle it.
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/dtu-config-%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(QStringLiteral("dtu-config"), icon);
}
