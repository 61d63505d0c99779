#include "frmAbout.h"

#include "Art.h"
#include "BrowseURL.h"
#include "Controls.h"
#include "Forms.h"
#include "MessageBox.h"

#include <QLabel>
#include <QPushButton>

namespace {

QLabel* makeLabel(QWidget* parent, double left, double top, double width, double height, const QFont& font) {
    auto* label = new QLabel(parent);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(label, left, top, width, height);
    return label;
}

}  // namespace

QString VersionText(int major, int minor, int revision) {
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

frmAbout::frmAbout() {
    setWindowIcon(art::ProgramIcon());
    QWidget* client = Client();

    picIcon = new QLabel(client);
    Place(picIcon, 240, 240, 480, 480);
    picIcon->setPixmap(art::Picture(QStringLiteral("pelmora"), QSize(32, 32)));
    picIcon->resize(32, 32);  // sizes itself to its picture

    lblTitle = makeLabel(client, 1050, 240, 3165, 240, SansSerifFont(9.75));
    lblVersion = makeLabel(client, 1080, 480, 3165, 225, SansSerifFont(9.75));
    lblDescription = makeLabel(client, 840, 840, 3165, 285, font());
    lblURL = new LinkLabel(client);
    Place(lblURL, 840, 1080, 3255, 255);
    connect(lblURL, &LinkLabel::DblClick, this, &frmAbout::lblURL_DblClick);

    Line1 = new EtchedLine(client);

    cmdOK = new QPushButton(QStringLiteral("OK"), client);
    Place(cmdOK, 3120, 2280, 1260, 345);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    SetDefaultCancelButton(cmdOK);
}

void frmAbout::Form_Load() {
    SetCaption(QStringLiteral("About ") + AppTitle());
    lblVersion->setText(VersionText(PELMORA_VERSION_MAJOR, PELMORA_VERSION_MINOR, PELMORA_VERSION_REVISION));
    lblTitle->setText(AppTitle());
    lblDescription->setText(QStringLiteral("Copyright (C) 2026 Pelmora Project"));
    lblURL->setText(QStringLiteral("https://www.example.org/pelmora/"));
}

void frmAbout::cmdOK_Click() { Forms::Unload(this); }

// The address is what the label shows at this moment.
void frmAbout::lblURL_DblClick() { BrowseURL(lblURL->text()); }
