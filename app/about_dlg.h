#pragma once
#include "platform/modal_dialog.h"

// The About box, template 100; OK closes it.
class CAboutDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent);
};
