#include "platform/forms/Resources.h"

#include "base/AppError.h"

#include <QFile>

void InitQuillonResources()
{
    // The resources are compiled into a static library: make sure they are linked in.
    Q_INIT_RESOURCE(quillon);
}

QPixmap LoadResPicture(const QString& name)
{
    InitQuillonResources();
    QPixmap pixmap(QStringLiteral(":/") + name);
    if (pixmap.isNull())
        RaiseError(326, QStringLiteral("Resource with identifier '%1' not found").arg(name));
    return pixmap;
}
