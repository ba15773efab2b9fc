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

QString LoadResString(int32_t id)
{
    InitQuillonResources();
    QFile table(QStringLiteral(":/STRINGS"));
    if (table.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QString key = QString::number(id) + QLatin1Char('\t');
        for (const QString& line : QString::fromUtf8(table.readAll()).split(QLatin1Char('\n')))
            if (line.startsWith(key))
                return line.mid(key.size());
    }
    RaiseError(326, QStringLiteral("Resource with identifier '%1' not found").arg(id));
}
