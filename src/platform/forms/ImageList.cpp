#include "platform/forms/ImageList.h"

#include "base/AppError.h"

ImageList::ImageList(const QString& controlName, QObject* parent) : QObject(parent)
{
    setObjectName(controlName);
}

void ImageList::Add(const QString& key, const QPixmap& picture)
{
    m_keys << key;
    m_images.push_back(picture);
}

QPixmap ImageList::ListImage(const QString& key) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_keys[i].compare(key, Qt::CaseInsensitive) == 0)
            return m_images[static_cast<size_t>(i)];
    RaiseError(35601, QStringLiteral("Element not found"));
}

QList<QIcon> ImageList::Icons() const
{
    QList<QIcon> icons;
    icons.reserve(Count());
    for (const QPixmap& picture : m_images)
        icons << QIcon(picture);
    return icons;
}
