#include "module/module_skin.h"

#include <map>

namespace ostrel2 {
namespace {

std::map<int, QImage>& bitmaps()
{
    static std::map<int, QImage> cache;
    return cache;
}

QImage& thumb()
{
    static QImage image;
    return image;
}

} // namespace

const QImage& moduleBitmap(int id)
{
    auto& cache = bitmaps();
    auto it = cache.find(id);
    if (it == cache.end())
        it = cache.emplace(id, QImage(QStringLiteral(":/ostrel2/bitmaps/%1.bmp").arg(id))).first;
    return it->second;
}

const QImage& sliderThumbImage()
{
    QImage& image = thumb();
    if (image.isNull())
        image = QImage(QStringLiteral(":/ostrel2/icons/SLIDER_ICO.png"));
    return image;
}

QCursor moduleCursor(int id)
{
    const QImage image(QStringLiteral(":/ostrel2/cursors/%1.png").arg(id));
    if (image.isNull())
        return QCursor(Qt::ArrowCursor);
    const int x = image.text(QStringLiteral("HotSpotX")).toInt();
    const int y = image.text(QStringLiteral("HotSpotY")).toInt();
    return QCursor(QPixmap::fromImage(image), x, y);
}

QIcon moduleIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/ostrel2/icons/%1.png").arg(kFrameIconId));
    icon.addFile(QStringLiteral(":/ostrel2/icons/%1_16.png").arg(kFrameIconId));
    return icon;
}

void releaseModuleSkin()
{
    bitmaps().clear();
    thumb() = QImage();
}

} // namespace ostrel2
