#include "shell/frmQuillonLogo.h"

#include "platform/Resources.h"

#include <QLabel>
#include <QPalette>

frmQuillonLogo::frmQuillonLogo() : Form(QStringLiteral("frmQuillonLogo"))
{
    SetCaption(QStringLiteral("Form1"));
    setFixedSize(ClientSize());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    setPalette(pal);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Picture"));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setGeometry(rect());
}

QSize frmQuillonLogo::ClientSize() { return {TwipsToPixelsX(5895), TwipsToPixelsY(2025)}; }

void frmQuillonLogo::Form_Load() { m_picture->setPixmap(LoadResPicture(QStringLiteral("LOGO"))); }
