#include "shell/frmQuillonLogo.h"

#include "platform/forms/Resources.h"

#include <QPainter>
#include <QPalette>

frmQuillonLogo::frmQuillonLogo() : Form(QStringLiteral("frmQuillonLogo"))
{
    SetCaption(QStringLiteral("Form1"));
    setFixedSize(ClientSize());
    setAutoFillBackground(true);
    QPalette pal = palette();
    const QColor window = pal.color(QPalette::Active, QPalette::Base);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::Window, window);
    setPalette(pal);
}

QSize frmQuillonLogo::ClientSize() { return {TwipsToPixelsX(5895), TwipsToPixelsY(2025)}; }

void frmQuillonLogo::Form_Load()
{
    m_picture = LoadResPicture(QStringLiteral("LOGO"));
    update();
}

void frmQuillonLogo::paintEvent(QPaintEvent* e)
{
    Form::paintEvent(e);
    if (m_picture.isNull())
        return;
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
}
