#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

class QLabel;
class QMenu;

// Places a control in its container, in twips.
void Place(QWidget* control, double left, double top, double width, double height);

// The Japanese Gothic face the layouts ask for ("ＭＳ ゴシック"), with the usual
// free Japanese Gothic faces standing in where it is not installed.
QFont GothicFont(double points, bool bold = false);

// The face the layouts name "MS Sans Serif", with free stand-ins.
QFont SansSerifFont(double points);

// A word-wrapped label grows downwards until all its lines show: the stand-in faces run
// taller than the ones the layouts were drawn for.
void GrowToFit(QLabel* label);

// A picture box control. Mouse moves over it are raised as MouseMove with the
// position in twips (the tray icon's notifications come this way).
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent);
signals:
    void MouseMove(int button, int shift, float x, float y);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};

// Opens a pop-up menu at the pointer and returns when it is closed. The caller
// is paused meanwhile, like in a message box.
void PopupMenu(QMenu* menu);
