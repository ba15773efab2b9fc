#pragma once
// The product logo: a small borderless child window in the bottom-right corner
// of the main window's client area. It takes no input.

#include "platform/forms/FormsRuntime.h"

#include <QPixmap>

class frmQuillonLogo : public Form {
    Q_OBJECT
public:
    frmQuillonLogo();
    // The client area: 5895 x 2025 twips.
    static QSize ClientSize();
    const QPixmap& Picture() const { return m_picture; }

protected:
    void Form_Load() override;
    // Drawn as it is also while the window is disabled.
    void paintEvent(QPaintEvent* e) override;

private:
    QPixmap m_picture;
};
