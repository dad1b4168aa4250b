#include "CDialog5.h"

#include "CButtonST.h"
#include "CHyperLink.h"
#include "DialogUnits.h"
#include "Pictures.h"
#include "UiFont.h"

#include <QLabel>

const char* const CDialog5::kTitleText = "Dravik LINKORA For LKR-Pin,LK-Band F,LK-Band A\n\nVer 1.20\n\n"
                                         "Copyright (C) 2026 Dravik Co., Ltd. All rights reserved.\n";
const char* const CDialog5::kWebAddress = "https://www.example.com/linkora/";

CDialog5::CDialog5(const QFont& sharedFont, QWidget* parent)
    : QWidget(parent), m_btnLogo(new CButtonST(this)), m_title(new QLabel(this)), m_link(new CHyperLink(this))
{
    // The template's layout, in its dialog units.
    m_btnLogo->setGeometry(DialogUnitsToPixels(19, 24, 82, 76));
    m_title->setGeometry(DialogUnitsToPixels(114, 30, 361, 102));
    m_link->setGeometry(DialogUnitsToPixels(114, 90, 154, 15));

    // The logo only shows its picture: it never lights up and never reacts.
    m_btnLogo->SetImagePair(PictureImage(145), CButtonST::Cyan());
    m_btnLogo->setEnabled(false);
    m_btnLogo->setFocusPolicy(Qt::NoFocus);

    m_title->setFont(sharedFont);
    m_title->setText(QString::fromUtf8(kTitleText));
    m_title->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_title->setWordWrap(true);

    m_link->SetAutoSize(true);
    m_link->SetLinkFont(UiFont(14));
    m_link->SetURL(QString::fromUtf8(kWebAddress));
}
