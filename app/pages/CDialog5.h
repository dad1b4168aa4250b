#pragma once
// The information page: the maker's logo, the product title with its version, and the
// maker's web link. It sends nothing to the watch and never blocks a page change.

#include <QFont>
#include <QWidget>

class CButtonST;
class CHyperLink;
class QLabel;

class CDialog5 : public QWidget {
    Q_OBJECT

public:
    static const char* const kTitleText;
    static const char* const kWebAddress;

    CDialog5(const QFont& sharedFont, QWidget* parent = nullptr);

    CButtonST* logo() const { return m_btnLogo; }
    QLabel* title() const { return m_title; }
    CHyperLink* link() const { return m_link; }

private:
    CButtonST* m_btnLogo;
    QLabel* m_title;
    CHyperLink* m_link;
};
