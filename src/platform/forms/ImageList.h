#pragma once
// An image list control of a form: pictures by key, in the order they were
// added. A form finds its image lists by their control name (objectName), as
// code that looks up a form's control by name does.

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QStringList>
#include <vector>

class ImageList : public QObject {
    Q_OBJECT
public:
    explicit ImageList(const QString& controlName = QString(), QObject* parent = nullptr);

    void Add(const QString& key, const QPixmap& picture);
    int Count() const { return static_cast<int>(m_keys.size()); }
    const QStringList& Keys() const { return m_keys; }
    // The image of that key (case-blind); error 35601 "Element not found" when there is none.
    QPixmap ListImage(const QString& key) const;
    // The images as icons, image 0 first, for a list's header or row images.
    QList<QIcon> Icons() const;

private:
    QStringList m_keys;
    std::vector<QPixmap> m_images;
};
