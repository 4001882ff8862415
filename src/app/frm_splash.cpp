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

    Image1 = new QLabel(frame);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(AppIcon().pixmap(128, 128));

    lblCompanyProduct = new QLabel(kTitle, frame);
    lblCompanyProduct->setObjectName(QStringLiteral("lblCompanyProduct"));
    QFont titleFont = lblCompanyProduct->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 2.0);
    titleFont.setBold(true);
    lblCompanyProduct->setFont(titleFont);

    lblPlatform = new QLabel(PlatformLine(), frame);
    lblPlatform->setObjectName(QStringLiteral("lblPlatform"));
    lblVersion = new QLabel(VersionLine(), frame);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    auto* text = new QVBoxLayout;
    text->addStretch();
    text->addWidget(lblCompanyProduct);
    text->addSpacing(12);
    text->addWidget(lblPlatform, 0, Qt::AlignRight);
    text->addWidget(lblVersion, 0, Qt::AlignRight);
    text->addStretch();

    auto* inner = new QHBoxLayout(frame);
    inner->setContentsMargins(24, 24, 24, 24);
    inner->setSpacing(24);
    inner->addWidget(Image1, 0, Qt::AlignVCenter);
    inner->addLayout(text, 1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
}

} // namespace marlin::app
