#include "app/AppIcons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <array>

namespace {

// The image strip of the tool bar, in the order its buttons name them.
constexpr std::array ToolBarFiles{
    u"tb-add", u"tb-delete", u"tb-edit", u"tb-log", u"tb-test", u"tb-test-all",
    u"tb-update", u"tb-update-all", u"tb-stop", u"tb-up", u"tb-down",
};
static_assert(ToolBarFiles.size() == CAppIcons::ToolBarImageCount);

struct IconFile {
    int resourceId;
    const char16_t *file;
};

constexpr std::array IconFiles{
    IconFile{CAppIcons::AppIcon, u"app"},
    IconFile{CAppIcons::FirstRunFrame, u"run-0"},
    IconFile{CAppIcons::FirstRunFrame + 1, u"run-1"},
    IconFile{CAppIcons::FirstRunFrame + 2, u"run-2"},
    IconFile{CAppIcons::FirstRunFrame + 3, u"run-3"},
};

// Sizes of the menus, the tool bar, the notification area, the window list and the About box.
constexpr std::array PixmapSizes{16, 20, 22, 24, 32, 40, 48, 64, 128};

QString PathOf(const char16_t *file)
{
    return QStringLiteral(":/icons/%1.svg").arg(QString::fromUtf16(file));
}

// Rendered here rather than through an image plugin, which a bare system may lack. Callers
// that show an icon often keep it: no cache outlives the application object here.
QIcon Render(const QString &path)
{
    QSvgRenderer renderer(path);
    QIcon icon;
    if (renderer.isValid()) {
        for (const int size : PixmapSizes) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            renderer.render(&painter);
            painter.end();
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}

} // namespace

QString CAppIcons::IconPath(int resourceId)
{
    for (const IconFile &entry : IconFiles) {
        if (entry.resourceId == resourceId)
            return PathOf(entry.file);
    }
    return {};
}

QString CAppIcons::ToolBarImagePath(int index)
{
    if (index < 0 || index >= int(ToolBarFiles.size()))
        return {};
    return PathOf(ToolBarFiles[index]);
}

QIcon CAppIcons::Icon(int resourceId)
{
    const QString path = IconPath(resourceId);
    return path.isEmpty() ? QIcon() : Render(path);
}

QIcon CAppIcons::ToolBarImage(int index)
{
    const QString path = ToolBarImagePath(index);
    return path.isEmpty() ? QIcon() : Render(path);
}
