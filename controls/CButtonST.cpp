#include "CButtonST.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

namespace {

// The image with its transparent colour turned into alpha 0 (the mask of the image).
QImage Masked(const QImage& image, QColor transparent)
{
    QImage masked = image.convertToFormat(QImage::Format_ARGB32);
    if (masked.isNull())
        return masked;
    const QRgb key = transparent.rgb() & RGB_MASK;
    for (int y = 0; y < masked.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x)
            if ((line[x] & RGB_MASK) == key)
                line[x] = 0;
    }
    return masked;
}

} // namespace

CButtonST::CButtonST(QWidget* parent) : QAbstractButton(parent)
{
    setMouseTracking(true); // hover follows every pointer move
    setAttribute(Qt::WA_Hover, false);
}

int CButtonST::SetImagePair(const QImage& hover, QColor hoverTransparent, const std::optional<QImage>& rest,
                            QColor restTransparent)
{
    m_hoverImage = QImage();
    m_restImage = QImage();
    const auto fail = [this](int result) {
        m_hoverImage = QImage();
        m_restImage = QImage();
        update();
        return result;
    };
    if (hover.isNull() || (rest && rest->isNull()))
        return fail(kImageNoSize);
    QImage hoverMasked = Masked(hover, hoverTransparent);
    QImage restMasked = rest ? Masked(*rest, restTransparent) : QImage();
    if (hoverMasked.isNull() || (rest && restMasked.isNull()))
        return fail(kImageNoMask);
    m_hoverImage = std::move(hoverMasked);
    m_restImage = std::move(restMasked);
    update();
    return kImageOk;
}

void CButtonST::EnableBorder(bool enable)
{
    m_bDrawBorder = enable;
    update();
}

void CButtonST::EnableFlat(bool enable)
{
    m_bFlat = enable;
    update();
}

void CButtonST::EnableFocusWhenFlat(bool enable)
{
    m_bDrawFocusWhenFlat = enable;
    update();
}

QSize CButtonST::sizeHint() const
{
    return m_hoverImage.isNull() ? QSize(16, 16) : m_hoverImage.size();
}

const QImage& CButtonST::ImageToDraw(bool pressed) const
{
    if (pressed || m_bPointerOver || m_restImage.isNull())
        return m_hoverImage;
    return m_restImage;
}

void CButtonST::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colours = palette();
    const bool pressed = isDown();
    const bool focused = hasFocus();
    QRect item = rect();

    if (!m_bFlat && focused) {
        painter.setPen(Qt::black);
        painter.drawRect(item.adjusted(0, 0, -1, -1));
        item.adjust(1, 1, -1, -1);
    }
    // A disabled button keeps its face and its picture: the logo is shown that way.
    painter.fillRect(item, colours.color(QPalette::Active, QPalette::Button));

    if (pressed) {
        if (!m_bFlat) {
            painter.setPen(colours.color(QPalette::Active, QPalette::Dark));
            painter.drawRect(item.adjusted(0, 0, -1, -1));
        } else if (m_bDrawBorder) {
            qDrawShadePanel(&painter, item, colours, true, 1);
        }
    } else if (!m_bFlat) {
        qDrawWinButton(&painter, item, colours, false);
    } else if (m_bPointerOver && m_bDrawBorder) {
        qDrawShadePanel(&painter, item, colours, false, 1);
    }

    const QImage& image = ImageToDraw(pressed);
    if (!image.isNull()) {
        // Integer division rounds toward zero, also for an image larger than the button.
        QPoint at(item.left() + (item.width() - image.width()) / 2, item.top() + (item.height() - image.height()) / 2);
        if (pressed)
            at += QPoint(1, 1);
        painter.drawImage(at, image);
    }

    if (focused && (!m_bFlat || m_bDrawFocusWhenFlat)) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = item.adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CButtonST::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractButton::mouseMoveEvent(event);
    // A drag that started elsewhere does not light the button.
    if ((event->buttons() & Qt::LeftButton) && !m_bPointerOver)
        return;
    if (!m_bFlat || !isEnabled())
        return;
    if (rect().contains(event->position().toPoint())) {
        if (!m_bPointerOver) {
            m_bPointerOver = true;
            update();
        }
    } else {
        EndHover();
    }
}

void CButtonST::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    EndHover();
}

void CButtonST::focusOutEvent(QFocusEvent* event)
{
    QAbstractButton::focusOutEvent(event);
    EndHover();
}

void CButtonST::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        EndHover();
    else if (event->type() == QEvent::EnabledChange && !isEnabled())
        EndHover(); // Qt passes the focus on to the next control itself
}

void CButtonST::EndHover()
{
    if (m_bFlat && m_bPointerOver) {
        m_bPointerOver = false;
        update();
    }
}
