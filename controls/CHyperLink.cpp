#include "CHyperLink.h"

#include "HyperLinkFallback.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QUrl>

CHyperLink::CHyperLink(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(false); // the page shows through
    SetLinkFont(font());
    UpdateColour();
}

void CHyperLink::SetURL(const QString& url)
{
    m_strURL = url;
    setToolTip(url);
    if (text().isEmpty() || text() != url)
        setText(url);
    PositionWindow();
}

void CHyperLink::SetVisited(bool visited)
{
    m_bVisited = visited;
    UpdateColour();
}

void CHyperLink::SetLinkFont(const QFont& font)
{
    QFont underlined = font;
    underlined.setUnderline(true);
    setFont(underlined);
    PositionWindow();
}

void CHyperLink::SetAutoSize(bool autoSize)
{
    m_bAutoSize = autoSize;
    PositionWindow();
}

void CHyperLink::PositionWindow()
{
    if (m_bAutoSize)
        resize(sizeHint());
}

QColor CHyperLink::currentColour() const
{
    if (m_bOverControl)
        return palette().color(QPalette::Active, QPalette::Highlight);
    return m_bVisited ? VisitedColour() : LinkColour();
}

void CHyperLink::UpdateColour()
{
    QPalette colours = palette();
    const QColor colour = currentColour();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        colours.setColor(group, QPalette::WindowText, colour);
    setPalette(colours);
    repaint();
}

void CHyperLink::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    if (!m_bOverControl) {
        m_bOverControl = true;
        UpdateColour();
    }
}

void CHyperLink::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    if (m_bOverControl) {
        m_bOverControl = false;
        UpdateColour();
    }
}

void CHyperLink::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        PositionWindow();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        GotoURL();
}

int CHyperLink::GotoURL()
{
    const int result = OpenAddress(m_strURL);
    if (result > kOpenSucceededAbove)
        SetVisited(true);
    else
        ReportError(result);
    return result;
}

int CHyperLink::OpenAddress(const QString& url)
{
    int result = QDesktopServices::openUrl(QUrl(url)) ? kOpenSucceededAbove + 1 : kOpenNoAssociation;
    if (result > kOpenSucceededAbove)
        return result;
    const QString registered = RegisteredBrowserCommand();
    if (registered.isEmpty())
        return result;
    QStringList words = QProcess::splitCommand(BrowserCommandLine(registered, url));
    if (words.isEmpty())
        return result;
    const QString program = words.takeFirst();
    return QProcess::startDetached(program, words) ? kOpenSucceededAbove + 1 : kOpenFileNotFound;
}

void CHyperLink::ReportError(int result)
{
    QApplication::beep();
    QMessageBox box(QMessageBox::Warning, QString(), HyperlinkErrorText(result), QMessageBox::Ok, this);
    box.exec();
}
