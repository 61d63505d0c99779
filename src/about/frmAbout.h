#pragma once

#include "DialogFrame.h"

class QLabel;
class QPushButton;

// "Version " and the three numbers, each in plain decimal.
QString VersionText(int major, int minor, int revision);

// The About box: program icon, title, version, copyright line and the home-page
// address, which a double-click opens in the browser.
class frmAbout : public DialogForm {
    Q_OBJECT
public:
    frmAbout();

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    LinkLabel* lblURL = nullptr;
    EtchedLine* Line1 = nullptr;
    QPushButton* cmdOK = nullptr;

    void cmdOK_Click();
    void lblURL_DblClick();

protected:
    void Form_Load() override;
};
