#pragma once
// The product logo: a small borderless child window in the bottom-right corner
// of the main window's client area. It takes no input.

#include "platform/FormsRuntime.h"

class QLabel;

class frmQuillonLogo : public Form {
    Q_OBJECT
public:
    frmQuillonLogo();
    // The client area: 5895 x 2025 twips.
    static QSize ClientSize();

protected:
    void Form_Load() override;

private:
    QLabel* m_picture = nullptr;
};
