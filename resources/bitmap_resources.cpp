#include "resources/bitmap_resources.h"

#include "resources/resource_ids.h"

#include <QString>

QImage LoadBitmapResource(int id)
{
    switch (id) {
    case IDB_LOGO:
        return QImage(QStringLiteral(":/resources/bitmaps/logo_104.bmp"));
    case IDB_STANDARDS_LOGO:
        return QImage(QStringLiteral(":/resources/bitmaps/mark_105.bmp"));
    default:
        return QImage();
    }
}
