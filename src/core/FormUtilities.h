#pragma once
// Procedures that forms share.

#include <QString>

// The form names of the two windows that outlive CloseAllWindows.
inline const QString kMainWindowFormName = QStringLiteral("frmMDIFrame");
inline const QString kLogonWindowFormName = QStringLiteral("frmLogonNew");

// Unloads, from the last loaded form to the first, every form except the main
// window and the logon window. An error of a form's unload ends it and reaches
// the caller; the forms already unloaded stay unloaded.
void CloseAllWindows();
