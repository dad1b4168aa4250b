#pragma once
// The picture button of the pages: no text, the face in the button colour and one of two
// images on it, one colour of each image being transparent. The hover image is shown while
// the pointer is over the button or it is held down, the rest image otherwise.

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <optional>

class CButtonST : public QAbstractButton {
    Q_OBJECT

public:
    enum ImageResult {
        kImageOk = 0,
        kImageNoSize = 1, // an image has no size (not loaded)
        kImageNoMask = 2, // its transparent form could not be made
    };

    // The transparent colour of every picture of the program.
    static QColor Cyan() { return QColor(0, 255, 255); }

    explicit CButtonST(QWidget* parent = nullptr);

    // Without a rest image the hover image is shown at all times. On failure every image
    // is released.
    int SetImagePair(const QImage& hover, QColor hoverTransparent, const std::optional<QImage>& rest = std::nullopt,
                     QColor restTransparent = QColor());

    void EnableBorder(bool enable);
    void EnableFlat(bool enable);
    void EnableFocusWhenFlat(bool enable);

    bool pointerOver() const { return m_bPointerOver; }
    bool hasImage() const { return !m_hoverImage.isNull(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void EndHover();
    const QImage& ImageToDraw(bool pressed) const;

    QImage m_hoverImage; // transparent pixels carry alpha 0
    QImage m_restImage;
    bool m_bFlat = true;
    bool m_bDrawBorder = true;
    bool m_bDrawFocusWhenFlat = false;
    bool m_bPointerOver = false;
};
