#pragma once
// A label that shows a web address as an underlined link and opens it on a click.

#include <QColor>
#include <QLabel>
#include <QString>

class CHyperLink : public QLabel {
    Q_OBJECT

public:
    static QColor LinkColour() { return QColor(0, 0, 238); }
    static QColor VisitedColour() { return QColor(85, 26, 139); }

    explicit CHyperLink(QWidget* parent = nullptr);

    // The target; also the text while no other text is set, and the tooltip.
    void SetURL(const QString& url);
    QString GetURL() const { return m_strURL; }

    void SetVisited(bool visited);
    bool GetVisited() const { return m_bVisited; }
    bool pointerOver() const { return m_bOverControl; }

    // The label keeps an underlined copy of the font it is given.
    void SetLinkFont(const QFont& font);
    // Fit the size to the text now and whenever the text or font changes.
    void SetAutoSize(bool autoSize);

    // Opens the address; marks the link as visited, or reports the failure. Returns the
    // result (above kOpenSucceededAbove is success).
    int GotoURL();

    QColor currentColour() const;

protected:
    // The desktop's opener, then the registered browser; returns the result code.
    virtual int OpenAddress(const QString& url);
    // An exclamation beep and a message box.
    virtual void ReportError(int result);

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateColour();
    void PositionWindow();

    QString m_strURL;
    bool m_bVisited = false;
    bool m_bOverControl = false;
    bool m_bAutoSize = true;
};
