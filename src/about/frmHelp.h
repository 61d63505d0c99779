#pragma once

#include "DialogFrame.h"

#include <array>

class QLabel;
class QPushButton;

// The page of the software archive that offers the program for download.
QString DownloadPageAddress();

// The Help window: what the program needs to run, a link to the download page
// (a single click opens it), and how to uninstall the program.
class frmHelp : public DialogForm {
    Q_OBJECT
public:
    frmHelp();

    QLabel* lblRunMod = nullptr;
    std::array<LinkLabel*, 1> lblURL{};
    QLabel* picIcon2 = nullptr;
    EtchedLine* Line1 = nullptr;
    QLabel* lblUninst = nullptr;
    QPushButton* cmdClose = nullptr;

    void cmdClose_Click();
    void lblURL_Click(int index);

protected:
    void Form_Load() override;
};
