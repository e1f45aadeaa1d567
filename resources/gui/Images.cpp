#include "resources/Resource.h"
#include "resources/gui/GuiResources.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

// The program's own pictures, drawn here so that they scale with nothing to
// ship beside the program: simple shapes on a transparent ground, laid out
// in the pixels of the 1x picture and drawn again for each device pixel
// ratio, so that a 2x screen gets twice the pixels rather than a blown-up
// 16-pixel bitmap.

namespace {

const QColor s_Outline(40, 40, 40);

QPixmap Blank(int cx, int cy, qreal dRatio)
{
    QPixmap pm(qCeil(cx * dRatio), qCeil(cy * dRatio));
    pm.setDevicePixelRatio(dRatio);
    pm.fill(Qt::transparent);
    return pm;
}

// The screen's ratio, for a picture drawn once (a dialog's).
qreal ScreenRatio()
{
    return qApp ? qApp->devicePixelRatio() : 1.0;
}

// The ratios an icon is drawn at: 1x and 2x, and the screen's own when it is
// neither (1.5 on a 144-dpi screen).
QList<qreal> IconRatios()
{
    QList<qreal> ratios = {1.0, 2.0};
    if (!ratios.contains(ScreenRatio()))
        ratios.append(ScreenRatio());
    return ratios;
}

template <class DRAW> QIcon AtEveryRatio(DRAW draw)
{
    QIcon icon;
    for (const qreal dRatio : IconRatios())
        icon.addPixmap(draw(dRatio));
    return icon;
}

void Page(QPainter& p, const QRect& rc, const QColor& fill = Qt::white)
{
    const int nFold = 3;
    QPainterPath path;
    path.moveTo(rc.left(), rc.top());
    path.lineTo(rc.right() - nFold, rc.top());
    path.lineTo(rc.right(), rc.top() + nFold);
    path.lineTo(rc.right(), rc.bottom());
    path.lineTo(rc.left(), rc.bottom());
    path.closeSubpath();
    p.setPen(s_Outline);
    p.setBrush(fill);
    p.drawPath(path);
    p.drawLine(rc.right() - nFold, rc.top(), rc.right() - nFold, rc.top() + nFold);
    p.drawLine(rc.right() - nFold, rc.top() + nFold, rc.right(), rc.top() + nFold);
}

// The instrument: a grey box with a display and two keys, in a w x h area.
void Instrument(QPainter& p, const QRect& rc)
{
    p.setPen(s_Outline);
    p.setBrush(QColor(150, 155, 165));
    p.drawRect(rc.adjusted(0, 0, -1, -1));
    const int cx = rc.width(), cy = rc.height();
    p.setBrush(QColor(60, 180, 90));
    p.drawRect(QRect(rc.left() + cx / 8, rc.top() + cy / 5, cx / 2, cy / 3));
    p.setBrush(QColor(220, 60, 50));
    p.drawEllipse(QRect(rc.left() + cx * 11 / 16, rc.top() + cy / 5, cx / 5, cx / 5));
    p.setBrush(QColor(240, 240, 240));
    p.drawRect(QRect(rc.left() + cx / 8, rc.top() + cy * 2 / 3, cx / 5, cy / 8));
    p.drawRect(QRect(rc.left() + cx * 3 / 8, rc.top() + cy * 2 / 3, cx / 5, cy / 8));
}

void Arrow(QPainter& p, int x, int yFrom, int yTo, const QColor& color)
{
    const int nDir = yTo < yFrom ? -1 : 1;
    QPolygon head;
    head << QPoint(x - 3, yTo - 3 * nDir) << QPoint(x + 3, yTo - 3 * nDir) << QPoint(x, yTo);
    p.setPen(QPen(color, 2));
    p.drawLine(x, yFrom, x, yTo - 2 * nDir);
    p.setPen(color);
    p.setBrush(color);
    p.drawPolygon(head);
}

QPixmap ToolImage(unsigned nId, qreal dRatio)
{
    QPixmap pm = Blank(16, 15, dRatio);
    QPainter p(&pm);
    switch (nId) {
    case ID_FILE_NEW:
        Page(p, QRect(3, 1, 10, 13));
        break;
    case ID_FILE_OPEN: {
        p.setPen(s_Outline);
        p.setBrush(QColor(230, 190, 70));
        p.drawRect(1, 3, 12, 10);
        p.setBrush(QColor(250, 215, 100));
        QPolygon front;
        front << QPoint(3, 6) << QPoint(15, 6) << QPoint(13, 13) << QPoint(1, 13);
        p.drawPolygon(front);
        break;
    }
    case ID_FILE_SAVE:
        p.setPen(s_Outline);
        p.setBrush(QColor(50, 90, 170));
        p.drawRect(1, 1, 13, 13);
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 5);
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(3, 9, 9, 5);
        break;
    case ID_EDIT_COPY_MEMORY:
        Page(p, QRect(1, 1, 8, 10));
        Page(p, QRect(6, 4, 8, 10));
        break;
    case ID_EDIT_PASTE_OVERWRITE:
        p.setPen(s_Outline);
        p.setBrush(QColor(160, 110, 60));
        p.drawRect(1, 2, 10, 12);
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(4, 1, 4, 2);
        Page(p, QRect(6, 5, 8, 9));
        break;
    case ID_TRANSFER_UPLOAD:
        Instrument(p, QRect(0, 0, 16, 7));
        Arrow(p, 8, 14, 7, QColor(30, 90, 200));
        break;
    case ID_TRANSFER_DOWNLOAD:
        Instrument(p, QRect(0, 0, 16, 7));
        Arrow(p, 8, 7, 14, QColor(30, 150, 60));
        break;
    case ID_APP_ABOUT: {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(s_Outline);
        p.setBrush(QColor(40, 110, 210));
        p.drawEllipse(QRectF(1.5, 1, 13, 13));
        QFont font;
        font.setPixelSize(11);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRect(1, 1, 14, 13), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    default:
        return QPixmap();
    }
    return pm;
}

QPixmap MainIcon(int n, qreal dRatio)
{
    QPixmap pm = Blank(n, n, dRatio);
    QPainter p(&pm);
    Instrument(p, QRect(0, n / 6, n, n * 2 / 3));
    return pm;
}

QPixmap RootIcon(qreal dRatio)
{
    QPixmap pm = Blank(16, 16, dRatio);
    QPainter p(&pm);
    p.setPen(s_Outline);
    for (int i = 2; i >= 0; --i) {
        p.setBrush(i == 0 ? QColor(90, 140, 220) : QColor(170, 195, 235));
        p.drawRect(1 + 2 * i, 1 + 3 * i, 11, 8);
    }
    return pm;
}

QPixmap MemoryIcon(qreal dRatio)
{
    QPixmap pm = Blank(16, 16, dRatio);
    QPainter p(&pm);
    p.setPen(s_Outline);
    p.setBrush(QColor(60, 60, 70));
    p.drawRect(4, 2, 8, 12);
    p.setPen(QColor(190, 160, 60));
    for (int y = 4; y <= 12; y += 2) {
        p.drawLine(1, y, 3, y);
        p.drawLine(13, y, 15, y);
    }
    p.setPen(QColor(200, 200, 200));
    p.drawPoint(6, 4);
    return pm;
}

QPixmap TransferIcon(int n, qreal dRatio)
{
    QPixmap pm = Blank(n, n, dRatio);
    QPainter p(&pm);
    Instrument(p, QRect(0, 0, n, n / 2));
    Arrow(p, n / 3, n - 1, n / 2 + 1, QColor(30, 90, 200));
    Arrow(p, n * 2 / 3, n / 2 + 1, n - 1, QColor(30, 150, 60));
    return pm;
}

} // namespace

QIcon LoadToolBarIcon(unsigned nCommandId)
{
    if (ToolImage(nCommandId, 1.0).isNull())
        return QIcon();
    return AtEveryRatio([nCommandId](qreal dRatio) { return ToolImage(nCommandId, dRatio); });
}

QIcon LoadResIcon(unsigned nId)
{
    switch (nId) {
    case IDI_MAINFRAME: {
        QIcon icon;
        for (const int n : {16, 32, 48}) {
            for (const qreal dRatio : IconRatios())
                icon.addPixmap(MainIcon(n, dRatio));
        }
        return icon;
    }
    case IDI_ROOT:
        return AtEveryRatio([](qreal dRatio) { return RootIcon(dRatio); });
    case IDI_MEMORY:
        return AtEveryRatio([](qreal dRatio) { return MemoryIcon(dRatio); });
    case IDI_TRANSFER: {
        QIcon icon;
        for (const int n : {16, 32}) {
            for (const qreal dRatio : IconRatios())
                icon.addPixmap(TransferIcon(n, dRatio));
        }
        return icon;
    }
    default:
        return QIcon();
    }
}

QPixmap LoadResBitmap(unsigned nId)
{
    // A dialog shows its picture on the screen it opens on, at that ratio.
    const qreal dRatio = ScreenRatio();
    switch (nId) {
    case IDB_ABOUT:
    case IDI_MAINFRAME:
        return MainIcon(32, dRatio);
    case IDI_TRANSFER:
        return TransferIcon(32, dRatio);
    case IDI_ROOT:
        return RootIcon(dRatio);
    case IDI_MEMORY:
        return MemoryIcon(dRatio);
    default:
        return QPixmap();
    }
}
