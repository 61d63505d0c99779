#include "frmHelp.h"

#include "Art.h"
#include "BrowseURL.h"
#include "Controls.h"
#include "Forms.h"

#include <QLabel>
#include <QPushButton>

namespace {

QLabel* makeNote(QWidget* parent, double left, double top, double width, double height) {
    auto* label = new QLabel(parent);
    label->setFont(GothicFont(8.25));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(label, left, top, width, height);
    return label;
}

}  // namespace

QString DownloadPageAddress() { return QStringLiteral("https://www.vector.co.jp/"); }

frmHelp::frmHelp() {
    SetCaption(QStringLiteral("Pelmora - Help"));
    SetNoWindowIcon();
    QWidget* client = Client();

    lblRunMod = makeNote(client, 120, 120, 4125, 600);

    lblURL[0] = new LinkLabel(client);
    lblURL[0]->setText(QStringLiteral("Goto - Vector FTP Site"));
    Place(lblURL[0], 1080, 840, 2805, 285);
    connect(lblURL[0], &LinkLabel::Click, this, [this] { lblURL_Click(0); });

    picIcon2 = new QLabel(client);
    Place(picIcon2, 120, 840, 480, 480);
    picIcon2->setPixmap(art::Picture(QStringLiteral("pelmora"), QSize(32, 32)));
    picIcon2->resize(32, 32);

    Line1 = new EtchedLine(client);
    lblUninst = makeNote(client, 120, 1560, 4095, 705);

    cmdClose = new QPushButton(QStringLiteral("終了"), client);
    cmdClose->setFont(GothicFont(8.25));
    Place(cmdClose, 3120, 2280, 1260, 345);
    connect(cmdClose, &QPushButton::clicked, this, &frmHelp::cmdClose_Click);
    SetDefaultCancelButton(cmdClose);
}

void frmHelp::Form_Load() {
    // On Linux the runtime is the distribution's Qt 6, and the package manager removes programs.
    lblRunMod->setText(QStringLiteral("ＰｅｌｍｏｒａはQt 6のライブラリで動きます。") +
                       QStringLiteral("ライブラリはパッケージ") + QStringLiteral("マネージャーで入れて下さい。"));
    lblUninst->setText(QStringLiteral("Ｐｅｌｍｏｒａをアンインストールするには、") +
                       QStringLiteral("パッケージマネージャーで pelmora パッケージを") +
                       QStringLiteral("削除して下さい（例: sudo apt remove pelmora）。"));
}

void frmHelp::cmdClose_Click() { Forms::Unload(this); }

void frmHelp::lblURL_Click(int index) {
    if (index == 0) BrowseURL(DownloadPageAddress());
}
