#include "app/frm_splash.h"

#include "app/app_identity.h"
#include "app/icons.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace marlin::app {

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowIcon(AppIcon());

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Raised);
    frame->setLineWidth(2);

    m_Image1 = new QLabel(frame);
    m_Image1->setObjectName(QStringLiteral("Image1"));
    m_Image1->setPixmap(AppIcon().pixmap(128, 128));

    m_lblCompanyProduct = new QLabel(kTitle, frame);
    m_lblCompanyProduct->setObjectName(QStringLiteral("lblCompanyProduct"));
    QFont titleFont = m_lblCompanyProduct->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 2.0);
    titleFont.setBold(true);
    m_lblCompanyProduct->setFont(titleFont);

    m_lblPlatform = new QLabel(PlatformLine(), frame);
    m_lblPlatform->setObjectName(QStringLiteral("lblPlatform"));
    m_lblVersion = new QLabel(VersionLine(), frame);
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));

    auto* text = new QVBoxLayout;
    text->addStretch();
    text->addWidget(m_lblCompanyProduct);
    text->addSpacing(12);
    text->addWidget(m_lblPlatform, 0, Qt::AlignRight);
    text->addWidget(m_lblVersion, 0, Qt::AlignRight);
    text->addStretch();

    auto* inner = new QHBoxLayout(frame);
    inner->setContentsMargins(24, 24, 24, 24);
    inner->setSpacing(24);
    inner->addWidget(m_Image1, 0, Qt::AlignVCenter);
    inner->addLayout(text, 1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
}

} // namespace marlin::app
